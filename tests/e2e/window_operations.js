// The container's window operations: pumping, resizing, destroying and re-creating, saving the client area.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
var dir = Host.Arguments[0];
var RED = 0x0000FF;

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 300, 200);
ctl.ShowBorder = false;
ctl.LoadImage(dir + "/quadrants.png");
check(Host.ClientPixel(ctl, 5, 5) === RED, "the picture shows");

// Without AutoPump a change waits for an explicit pump.
Host.AutoPump = false;
var before = Host.PaintCount(ctl);
ctl.Align = 7;
check(Host.PaintCount(ctl) === before && Host.ClientPixel(ctl, 5, 5) === RED, "no paint before the pump");
check(Host.Pump() >= 1, "Host.Pump delivers the paint");
check(Host.PaintCount(ctl) > before && Host.ClientPixel(ctl, 105, 55) === RED, "after the pump the picture moved");
Host.AutoPump = true;

Host.Resize(ctl, 500, 400);
var size = Host.ClientSize(ctl);
check(size.width === 500 && size.height === 400, "Resize changes the client area");
check(Host.ClientPixel(ctl, 305, 255) === RED, "the picture follows the bottom-right corner");

Host.SetScrollBarThickness(ctl, 0);
ctl.ZoomValue = 4;
ctl.ZoomByOriginal();
size = Host.ClientSize(ctl);
check(Host.ScrollBar(ctl, 0).shown && size.width === 500, "bars of thickness 0 take no room");

Host.SaveClientArea(ctl, dir + "/client.png");
var viewer = Host.CreateControl("TAVLEN.TavlenCtrl.1", 100, 100);
viewer.LoadImage(dir + "/client.png");
check(viewer.GetWidth() === 500 && viewer.GetHeight() === 400, "the saved client area is a 500 x 400 PNG");

Host.DestroyWindow(ctl);
size = Host.ClientSize(ctl);
check(size.width === 0 && size.height === 0 && Host.ClientPixel(ctl, 1, 1) === -1, "a destroyed window has no pixels");
var refused = false;
try { Host.Resize(ctl, 200, 200); } catch (e) { refused = /0x8000FFFF/.test(e.message); }
check(refused, "a destroyed window cannot be resized");
check(ctl.Align === 7, "the control outlives its window");
Host.RecreateWindow(ctl);
check(Host.ClientSize(ctl).width === 500, "the window comes back");
Host.Echo("window operations");
