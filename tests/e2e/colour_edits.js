// Gray scale, black and white and the way back from 1-bit, seen through the control's own pixel queries.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
var dir = Host.Arguments[0];
function gray(v) { return v | v << 8 | v << 16; }  // 0x00BBGGRR
var WHITE = 0xFFFFFF, BLACK = 0;

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 400, 300);
ctl.ShowBorder = false;

// Before any picture: nothing changes and nothing is recorded; the queries read the background.
ctl.ConvertImageToGrayScaled();
ctl.ConvertImageToBlackWhite();
ctl.ConvertFrom1bpp();
check(ctl.GetUndo() === 0 && ctl.GetWidth() === 0, "no picture: no edit");
check(ctl.GetPixelColor(5, 5) === Host.ClientPixel(ctl, 5, 5), "no picture: the query reads what is painted");

// Pixel queries: quadrants red, green, blue, yellow, 200 x 150 at the top left.
ctl.LoadImage(dir + "/quadrants.png");
check(ctl.GetPixelColor(10, 10) === 0x0000FF, "pure red is 0x000000FF");
check(ctl.GetPixelRed(10, 10) === 255 && ctl.GetPixelGreen(10, 10) === 0 && ctl.GetPixelBlue(10, 10) === 0,
      "red's components");
check(ctl.GetPixelColor(10, 140) === 0xFF0000 && ctl.GetPixelBlue(10, 140) === 255, "pure blue is 0x00FF0000");
var outside = [[-1, 0], [0, -1], [400, 10], [10, 300], [100000, 100000]];
for (var i = 0; i < outside.length; ++i) {
  var x = outside[i][0], y = outside[i][1];
  check(ctl.GetPixelColor(x, y) === -1, "outside (" + x + ", " + y + ") is -1");
  check(ctl.GetPixelRed(x, y) === 255 && ctl.GetPixelGreen(x, y) === 255 && ctl.GetPixelBlue(x, y) === 255,
        "outside: each component is 255");
}
// The queries follow the screen: at twice the size the red corner reaches further.
check(ctl.GetPixelColor(150, 100) !== 0x0000FF, "before the zoom (150, 100) is not red");
ctl.ZoomValue = 2;
ctl.Zoom();
check(ctl.GetPixelColor(150, 100) === 0x0000FF, "after the zoom (150, 100) is red");
ctl.ZoomValue = 1;
ctl.ZoomByOriginal();

// Gray scale: 0.299 R + 0.587 G + 0.114 B, rounded; one snapshot.
ctl.ConvertImageToGrayScaled();
check(ctl.GetUndo() === 1, "gray scale records one snapshot");
check(ctl.GetPixelColor(10, 10) === gray(76), "red becomes 76 gray, got 0x" + ctl.GetPixelColor(10, 10).toString(16));
check(ctl.GetPixelColor(190, 10) === gray(150), "green becomes 150 gray, got 0x" + ctl.GetPixelColor(190, 10).toString(16));
check(ctl.GetPixelColor(10, 140) === gray(29), "blue becomes 29 gray");
check(ctl.GetPixelColor(190, 140) === gray(226), "yellow becomes 226 gray");

// Black and white: a channel above 128 on all three sides is white; shown where it was.
ctl.ConvertImageToBlackWhite();
check(ctl.GetUndo() === 2, "black and white records one snapshot");
check(ctl.GetPixelColor(10, 10) === BLACK && ctl.GetPixelColor(10, 140) === BLACK, "76 and 29 turn black");
check(ctl.GetPixelColor(190, 10) === WHITE && ctl.GetPixelColor(190, 140) === WHITE, "150 and 226 turn white");
check(ctl.GetWidth() === 200 && ctl.GetHeight() === 150, "same size");
check(ctl.GetPixelColor(205, 140) === Host.ClientPixel(ctl, 300, 250), "same place: background right of it");

// A 1-bit picture is left alone by both conversions.
ctl.ConvertImageToGrayScaled();
ctl.ConvertImageToBlackWhite();
check(ctl.GetUndo() === 2, "1-bit: neither conversion records anything");

// From 1-bit: shown at 100 %, two snapshots (turned, then upright), and editable again.
ctl.ZoomValue = 2;
ctl.Zoom();
ctl.ConvertFrom1bpp();
check(ctl.GetUndo() === 4, "from 1-bit records two snapshots, got " + ctl.GetUndo());
check(ctl.GetWidth() === 200 && ctl.GetHeight() === 150, "from 1-bit keeps the size");
check(ctl.GetPixelColor(10, 10) === BLACK && ctl.GetPixelColor(190, 10) === WHITE, "upright, unchanged colours");
check(ctl.GetPixelColor(250, 10) !== WHITE, "shown at 100 %, not zoomed");
ctl.ConvertImageToGrayScaled();
check(ctl.GetUndo() === 5, "gray scale acts again after ConvertFrom1bpp");
ctl.Undo();
ctl.Undo();
check(ctl.GetPixelColor(10, 10) === WHITE && ctl.GetPixelColor(190, 140) === BLACK, "one undo back: turned by 180");
ctl.Undo();
check(ctl.GetUndo() === 2 && ctl.GetPixelColor(190, 10) === WHITE, "two undos back: the 1-bit picture");
ctl.ConvertImageToGrayScaled();
check(ctl.GetUndo() === 2, "the restored picture is 1-bit again");
Host.Echo("colour edits done");
