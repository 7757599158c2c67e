// Failing calls throw errors that name the member and carry the HRESULT in hex.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
function failure(action) {
  try { action(); } catch (e) { return e; }
  throw new Error("check failed: no error from " + action);
}

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 300, 200);

var e = failure(function () { return ctl.NoSuchProperty; });
check(/NoSuchProperty/.test(e.message) && /0x80020006/.test(e.message), "unknown property: " + e.message);
check(e.hresult === 0x80020006, "the error carries the HRESULT");
e = failure(function () { ctl.NoSuchMethod(1); });
check(/NoSuchMethod/.test(e.message) && /0x80020006/.test(e.message), "unknown method: " + e.message);
e = failure(function () { ctl.NoSuchProperty = 1; });
check(/0x80020006/.test(e.message), "unknown property put: " + e.message);

e = failure(function () { ctl.Align = "not a number"; });
check(/Align/.test(e.message) && /0x80020005/.test(e.message), "type mismatch: " + e.message);
e = failure(function () { ctl.MoveTo(1, "x"); });
check(/MoveTo/.test(e.message) && /0x80020005/.test(e.message) && /argument 2/.test(e.message),
      "a bad argument is named: " + e.message);
e = failure(function () { ctl.MoveTo(1); });
check(/0x8002000E/.test(e.message), "a missing argument: " + e.message);
e = failure(function () { ctl.Align = 1e12; });
check(/0x8002000A/.test(e.message), "overflow: " + e.message);
e = failure(function () { ctl.GetWidth = 3; });
check(/0x80020003/.test(e.message), "a method is not a property: " + e.message);

e = failure(function () { Host.CreateControl("No.Such.Control", 10, 10); });
check(/0x80040154/.test(e.message), "an unregistered ProgID: " + e.message);
e = failure(function () { Host.CreateControl("{not-a-class-id}", 10, 10); });
check(/0x800401F3/.test(e.message), "a malformed class identifier: " + e.message);
e = failure(function () { Host.Resize(ctl, "wide", 10); });
check(e instanceof TypeError, "Host functions check their arguments");
e = failure(function () { Host.ClientPixel({}, 1, 1); });
check(e instanceof TypeError, "a plain object is no control");
e = failure(function () { ctl.LoadImage(function () {}); });
check(e instanceof TypeError && /argument 1/.test(e.message), "functions do not cross: " + e.message);

// The script's own line is reported, not the host's.
e = failure(function () {
  return ctl.Missing;  // line 43
});
check(e.lineNumber === 43, "the error's line is the script's: " + e.lineNumber);
Host.Echo("automation errors");
