// A script written for the desktop script host drives the control unchanged: CreateObject, events
// through a handler prefix, and WScript.Quit's exit code.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }

var clicks = [];
function ctl_MouseDown(button, shift, x, y) { clicks.push("down " + button + " " + x + "," + y); }
function ctl_Click() { clicks.push("click"); }

var ctl = WScript.CreateObject("TAVLEN.TavlenCtrl.1", "ctl_");
check(Host.ClientSize(ctl).width === 640, "CreateObject gives a 640 x 480 client area");
ctl.LoadImage(WScript.Arguments(0) + "/quadrants.png");
check(ctl.GetWidth() === 200 && ctl.GetHeight() === 150, "the picture is loaded");

Host.MouseDown(ctl, "left", 30, 40);
Host.MouseUp(ctl, "left", 30, 40);
check(clicks.join("; ") === "down 1 30,40; click", "prefixed handlers: " + clicks.join("; "));

// Events without a handler of that name are passed over; a handler's error comes out of the call.
function ctl_MouseMove() { throw new Error("handler refused the move"); }
var rethrown = "";
try { Host.MouseMove(ctl, 1, 1); } catch (e) { rethrown = e.message; }
check(rethrown === "handler refused the move", "a prefixed handler's error: " + rethrown);

var plain = WScript.CreateObject("TAVLEN.TavlenCtrl.1");
check(plain.Align === 2, "without a prefix there is no handler to find");
var missing = "";
try { WScript.CreateObject("No.Such.Control"); } catch (e) { missing = e.message; }
check(/CreateControl\("No\.Such\.Control"\) failed: 0x80040154/.test(missing), "an unknown ProgID: " + missing);

WScript.Echo("before quit");
WScript.Quit(4);
throw new Error("the script went on after WScript.Quit");
