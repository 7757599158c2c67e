// Creating the control by ProgID and by class identifier, sited in a headless window that paints.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }

var byProgId = new ActiveXObject("TAVLEN.TavlenCtrl.1");
var size = Host.ClientSize(byProgId);
check(size.width === 640 && size.height === 480, "ActiveXObject gives a 640 x 480 client area");
check(Host.PaintCount(byProgId) >= 1, "the new control painted");
check(String(byProgId) === "[object TAVLEN.TavlenCtrl.1]", "a control describes itself by its ProgID");
check(byProgId.GetWidth() === 0 && byProgId.GetHeight() === 0, "a new control holds no picture");

var byClsid = Host.CreateControl("{60EDCFD6-B808-42C8-B302-BC962BC98703}", 320, 200);
size = Host.ClientSize(byClsid);
check(size.width === 320 && size.height === 200, "CreateControl sizes the client area");
check(byClsid.Align === 2 && byClsid.ZoomValue === 1, "a new control starts from the defaults");
check(!Host.IsModified(byClsid), "a new control is not modified");

// Both are independent controls.
byClsid.Align = 6;
check(byProgId.Align === 2 && byClsid.Align === 6, "controls keep their own properties");

Host.Release(byClsid);
var released = false;
try { byClsid.Align; } catch (e) { released = /released/.test(e.message); }
check(released, "a released control refuses calls");
check(byProgId.Align === 2, "the other control lives on");
Host.Echo("created by ProgID and class identifier");
