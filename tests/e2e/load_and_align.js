// LoadImage of generated PNG and BMP pictures and the Align placements, read back from the framebuffer.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
var RED = 0x0000FF, GREEN = 0x00FF00, BLUE = 0xFF0000, YELLOW = 0x00FFFF;  // 0x00BBGGRR
var dir = Host.Arguments[0];

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 400, 300);
ctl.ShowBorder = false;
ctl.LoadImage(dir + "/quadrants.png");
check(ctl.GetWidth() === 200 && ctl.GetHeight() === 150, "the picture's size is 200 x 150");

function expectAt(x, y, color, what) {
  var seen = Host.ClientPixel(ctl, x, y);
  check(seen === color, what + ": pixel (" + x + ", " + y + ") is 0x" + seen.toString(16) + ", expected 0x" +
        color.toString(16));
}

// TopLeft (the default): the picture's corner is the client's corner.
check(ctl.Align === 2, "Align defaults to TopLeft");
expectAt(10, 10, RED, "top-left");
expectAt(190, 140, YELLOW, "top-left");
check(Host.ClientPixel(ctl, 300, 250) !== YELLOW, "nothing of the picture right of it");

// Names are case-insensitive, for properties and methods alike.
ctl.align = 4;
check(ctl.ALIGN === 4, "Align written in lower case reads back in upper case");
expectAt(110, 85, RED, "centre");
expectAt(290, 215, YELLOW, "centre");
expectAt(290, 85, GREEN, "centre");
expectAt(110, 215, BLUE, "centre");
check(Host.ClientPixel(ctl, 95, 70) !== RED, "centre leaves the corner free");

ctl.Align = 7;
expectAt(210, 160, RED, "bottom-right");
expectAt(395, 295, YELLOW, "bottom-right");

ctl.Align = 3;
expectAt(210, 10, RED, "top-right");
expectAt(395, 145, YELLOW, "top-right");

ctl.Align = 6;
expectAt(10, 160, RED, "bottom-left");
expectAt(195, 295, YELLOW, "bottom-left");

check(Host.ClientPixel(ctl, -1, 0) === -1 && Host.ClientPixel(ctl, 400, 0) === -1, "outside the client area is -1");

// A BMP of the same picture places the same way.
ctl.Align = 2;
ctl.loadimage(dir + "/quadrants.bmp");
check(ctl.getwidth() === 200, "the BMP loads");
expectAt(10, 10, RED, "BMP top-left");
expectAt(190, 10, GREEN, "BMP top-left");
Host.Echo("loaded and aligned");
