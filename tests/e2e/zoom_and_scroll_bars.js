// Zoom, fit and the scroll bars they bring, scrolled by messages and by the wheel.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
var dir = Host.Arguments[0];
var HORZ = 0, VERT = 1;

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 400, 300);
ctl.LoadImage(dir + "/large.png");
check(ctl.GetWidth() === 1000 && ctl.GetHeight() === 800, "the large picture loads");

ctl.ZoomToFit();
check(!Host.ScrollBar(ctl, HORZ).shown && !Host.ScrollBar(ctl, VERT).shown, "a fitted picture needs no bars");

ctl.ZoomValue = 2;
ctl.ZoomByOriginal();
var h = Host.ScrollBar(ctl, HORZ);
var v = Host.ScrollBar(ctl, "vert");
check(h.shown && v.shown, "twice the original size shows both bars");
check(h.min === 0 && h.max >= 1999 && v.max >= 1599, "the ranges cover the zoomed picture: " + JSON.stringify(h) +
      " " + JSON.stringify(v));
check(h.page > 0 && h.page <= 400 && v.page > 0 && v.page <= 300, "a page is at most the client area");
var client = Host.ClientSize(ctl);
check(v.pos === 0, "the view starts at the top");

Host.Scroll(ctl, VERT, "linedown");
var afterLine = Host.ScrollBar(ctl, VERT).pos;
check(afterLine > 0, "a line down moves the vertical bar");
Host.Scroll(ctl, VERT, "pagedown");
check(Host.ScrollBar(ctl, VERT).pos > afterLine, "a page down moves further");
Host.Scroll(ctl, VERT, "thumbposition", 500);
check(Host.ScrollBar(ctl, VERT).pos === 500, "the thumb position is taken");
Host.Scroll(ctl, VERT, "bottom");
v = Host.ScrollBar(ctl, VERT);
check(v.pos === v.max - v.page + 1, "the bottom is max - page + 1");
Host.Scroll(ctl, VERT, 6);  // SB_TOP
check(Host.ScrollBar(ctl, VERT).pos === 0, "the top is 0");

// One notch of the wheel scrolls a quarter of what does not fit.
var excess = 1600 - client.height;
Host.Wheel(ctl, -120, 0);
check(Host.ScrollBar(ctl, VERT).pos === Math.floor(excess / 4), "a notch down scrolls a quarter");
Host.Wheel(ctl, 120, 0);
check(Host.ScrollBar(ctl, VERT).pos === 0, "a notch up scrolls back");
Host.Wheel(ctl, -120, 8);  // MK_CONTROL: horizontal
check(Host.ScrollBar(ctl, HORZ).pos > 0 && Host.ScrollBar(ctl, VERT).pos === 0, "Ctrl turns the wheel horizontal");

// Zooming back to the original size leaves nothing to scroll in one direction only.
ctl.ZoomValue = 0.35;
ctl.ZoomByOriginal();
check(!Host.ScrollBar(ctl, HORZ).shown && !Host.ScrollBar(ctl, VERT).shown, "350 x 280 fits 400 x 300");
Host.Echo("zoomed and scrolled");
