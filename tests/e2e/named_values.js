// Scroll bars, scroll codes, buttons and verbs by their header names, and the one message for bad values.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
function failure(call) { try { call(); } catch (e) { return e.name + ": " + e.message; } return "no failure"; }

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 400, 300);
ctl.LoadImage(Host.Arguments[0] + "/large.png");
ctl.ZoomValue = 1;  // actual size: both bars are needed
check(Host.ScrollBar(ctl, "SB_VERT").shown && Host.ScrollBar(ctl, "sb_horz").shown, "bars by SB_ name");
check(Host.ScrollBar(ctl, "SB_VERT").max === Host.ScrollBar(ctl, 1).max, "SB_VERT is bar 1");

Host.Scroll(ctl, "SB_VERT", "SB_PAGEDOWN");
var byName = Host.ScrollBar(ctl, 1).pos;
Host.Scroll(ctl, 1, 6);  // SB_TOP
Host.Scroll(ctl, 1, 3);  // SB_PAGEDOWN
check(byName > 0 && byName === Host.ScrollBar(ctl, 1).pos, "SB_PAGEDOWN is code 3: " + byName);
Host.Scroll(ctl, "SB_VERT", "sb_thumbposition", 7);
check(Host.ScrollBar(ctl, 1).pos === 7, "SB_THUMBPOSITION takes the thumb");
Host.Scroll(ctl, "SB_VERT", "SB_TOP");
check(Host.ScrollBar(ctl, 1).pos === 0, "SB_TOP");

check(failure(function () { Host.Scroll(ctl, "SB_VERT", "SB_SIDEWAYS"); }) ===
      "TypeError: Host.Scroll: argument 3 must be a scroll code 0 ... 8", "an unknown scroll code");
check(failure(function () { Host.Scroll(ctl, "SB_VERT", 9); }) ===
      "TypeError: Host.Scroll: argument 3 must be a scroll code 0 ... 8", "a scroll code out of range");
check(failure(function () { Host.ScrollBar(ctl, 2); }) ===
      "TypeError: Host.ScrollBar: argument 2 must be a bar: 0 horizontal, 1 vertical", "SB_BOTH is no single bar");
check(failure(function () { Host.MouseDown(ctl, 3, 1, 1); }) ===
      "TypeError: Host.MouseDown: argument 2 must be a button: 1 left, 2 right, 4 middle", "a button number");
check(failure(function () { Host.Scroll(ctl, 1, 0, -1); }) ===
      "TypeError: Host.Scroll: argument 4 must be a thumb position", "a negative thumb");
check(failure(function () { Host.Wheel(ctl, 40000); }) ===
      "TypeError: Host.Wheel: argument 2 must be a wheel delta (120 a notch)", "a delta beyond 16 bits");
check(failure(function () { Host.Resize(ctl, 1.5, 2); }) ===
      "TypeError: Host.Resize: argument 2 must be a width in pixels", "a fraction is no pixel count");
check(failure(function () { Host.PaintCount(42); }) ===
      "TypeError: Host.PaintCount: argument 1 must be a control", "a number is no control");

Host.DoVerb(ctl, "OLEIVERB_PROPERTIES");
check(Host.Dialogs.length === 1, "the Properties verb by its header name opens the property page");
Host.Echo("named values");
