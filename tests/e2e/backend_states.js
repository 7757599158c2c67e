// Puts one control through the view states (alignment, hatch, border, zoom, fit, a scrolled view)
// and saves the client area of each as STATE.png in the output folder; run once per backend and
// compared by compare_backends.cmake.
var dir = Host.Arguments[0];
var out = Host.Arguments[1];

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 400, 300);
ctl.LoadImage(dir + "/quadrants.png");
function save(state) { Host.SaveClientArea(ctl, out + "/" + state + ".png"); }

ctl.Align = 4;
save("align_centre");
ctl.Align = 7;
save("align_bottom_right");
ctl.BackStyle = 6;
save("hatch");
ctl.ShowBorder = true;
ctl.BorderWidth = 5;
save("border");
ctl.LoadImage(dir + "/large.png");
ctl.ZoomValue = 0.3;
ctl.ZoomByOriginal();
save("zoom_out");
ctl.ZoomToFit();
save("fit");
ctl.ZoomValue = 2;
ctl.ZoomByOriginal();
save("zoom_in");
Host.Scroll(ctl, "vert", "pagedown");
Host.Scroll(ctl, "horz", "linedown");
Host.Wheel(ctl, -120, 0);
save("scrolled");
Host.Echo("states saved");
