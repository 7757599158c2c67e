// Multi-frame files: pages counted, shown one at a time, and exported without touching the picture.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
var dir = Host.Arguments[0];
var RED = 0x0000FF, GREEN = 0x00FF00, BLUE = 0xFF0000;  // 0x00BBGGRR
var pages = dir + "/pages.tif", anim = dir + "/anim.gif";

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 400, 300);
var reader = Host.CreateControl("TAVLEN.TavlenCtrl.1", 400, 300);
ctl.ShowBorder = false;
reader.ShowBorder = false;

check(ctl.GetFrameCount(pages) === 3, "three pages");
check(ctl.GetFrameCount(anim) === 3, "three GIF frames");
check(ctl.GetFrameCount(dir + "/quadrants.png") === 1, "a single picture");
check(ctl.GetFrameCount(dir + "/missing.tif") === 0 && ctl.GetFrameCount("") === 0, "missing or empty: 0");

// LoadFrame shows one page at 100 %, placed by Align, with a fresh history.
ctl.LoadImage(dir + "/quadrants.png");
ctl.Rotate90();
ctl.LoadFrame(pages, 3);
check(ctl.GetWidth() === 30 && ctl.GetHeight() === 20 && ctl.GetUndo() === 0, "page 3: 30 x 20, history restarted");
check(ctl.GetPixelColor(5, 5) === BLUE && ctl.GetPixelColor(35, 5) !== BLUE, "page 3 shown at the top left");
ctl.LoadFrame(pages, 1);
check(ctl.GetWidth() === 100 && ctl.GetPixelColor(5, 5) === RED, "page 1");
var ignored = [0, -1, 4];
for (var i = 0; i < ignored.length; ++i) {
  ctl.LoadFrame(pages, ignored[i]);
  check(ctl.GetWidth() === 100 && ctl.GetPixelColor(5, 5) === RED, "page " + ignored[i] + " changes nothing");
}
ctl.LoadFrame(anim, 2);
ctl.LoadFrame(dir + "/missing.tif", 1);
ctl.LoadFrame("", 1);
check(ctl.GetWidth() === 100 && ctl.GetPixelColor(5, 5) === RED, "GIF, missing and empty paths are refused");

// ExportFrame: the type decides the extension; the control keeps its picture and history.
ctl.Rotate180();
var types = [["jpeg", ".jpg"], ["Jpg", ".jpg"], ["JPG", ".jpg"], ["tif", ".tiff"], ["Tiff", ".tiff"],
             ["bmp", ".bmp"], ["gif", ".gif"]];
for (var i = 0; i < types.length; ++i) {
  var base = dir + "/e" + i;
  check(ctl.ExportFrame(pages, base, types[i][0], 2) === true, "export as " + types[i][0]);
  check(ctl.GetFrameCount(base + types[i][1]) === 1, types[i][0] + " writes " + types[i][1]);
}
check(ctl.ExportFrame(pages, dir + "/p2", "PNG", 2) === true, "page 2 as PNG");
reader.LoadImage(dir + "/p2.png");
check(reader.GetWidth() === 60 && reader.GetPixelColor(5, 5) === GREEN, "p2.png is the green page 2");
check(ctl.GetUndo() === 1 && ctl.GetWidth() === 100, "the control keeps its picture and history");

ctl.TiffCompression = 2;
check(ctl.ExportFrame(pages, dir + "/t", "TIF", 1) === true, "TIF export ignores TiffCompression");
reader.LoadImage(dir + "/t.tiff");
check(reader.GetPixelColor(5, 5) === RED, "never black and white");

var refused = [["BMPX", 1], [" BMP", 1], ["", 1], ["PNG", 0], ["PNG", 4]];
for (var i = 0; i < refused.length; ++i) {
  check(ctl.ExportFrame(pages, dir + "/x", refused[i][0], refused[i][1]) === false,
        "type '" + refused[i][0] + "' page " + refused[i][1] + " is refused");
}
check(ctl.GetFrameCount(dir + "/x.png") === 0 && ctl.GetFrameCount(dir + "/x.bmp") === 0, "and writes nothing");

// An empty destination writes ".png" in the current folder (the work folder here).
check(ctl.ExportFrame(pages, "", "PNG", 1) === true && ctl.GetFrameCount(dir + "/.png") === 1, "\".png\"");

// Frames of an animated GIF export one by one.
check(ctl.ExportFrame(anim, dir + "/g3", "PNG", 3) === true, "GIF frame 3");
reader.LoadImage(dir + "/g3.png");
check(reader.GetPixelColor(5, 5) === BLUE, "the third frame is blue");
Host.Echo("frames done");
