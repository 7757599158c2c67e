// File-to-file conversion: written beside the shown picture, which never changes.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
var dir = Host.Arguments[0];
var RED = 0x0000FF, BLACK = 0;

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 400, 300);
var reader = Host.CreateControl("TAVLEN.TavlenCtrl.1", 400, 300);
function exists(path) { return ctl.GetFrameCount(path) > 0; }

// With no picture loaded the control stays empty.
check(ctl.ConvertToPng(dir + "/quadrants.bmp", dir + "/a") === true, "BMP to PNG");
check(exists(dir + "/a.png") && ctl.GetWidth() === 0 && ctl.GetUndo() === 0, "written; the control stays empty");
check(ctl.ConvertToPng(dir + "/quadrants.bmp", dir + "/a.png") === true && exists(dir + "/a.png.png"),
      "the extension is appended again");

// With a picture and an edit, neither the picture nor the history moves.
ctl.ShowBorder = false;
ctl.LoadImage(dir + "/quadrants.png");
ctl.Rotate180();
var shown = ctl.GetPixelColor(10, 10);
var conversions = ["ConvertToBmp", "ConvertToGif", "ConvertToJpg", "ConvertToPng", "ConvertToTif"];
var extensions = [".bmp", ".gif", ".jpg", ".png", ".tiff"];
for (var i = 0; i < conversions.length; ++i) {
  check(ctl[conversions[i]](dir + "/quadrants.png", dir + "/c") === true, conversions[i]);
  check(exists(dir + "/c" + extensions[i]), conversions[i] + " appends " + extensions[i]);
  check(ctl.GetUndo() === 1 && ctl.GetPixelColor(10, 10) === shown, conversions[i] + " leaves the control alone");
}
reader.LoadImage(dir + "/c.gif");
check(reader.GetPixelColor(10, 10) === RED, "the GIF holds the source's pixels");

// Sources and destinations refused before anything is opened.
var refused = [["", dir + "/r1"], [dir + "/quadrants.png", ""], [dir + "/notes.txt", dir + "/r2"],
               [dir + "/quadrants", dir + "/r3"], [dir + "/missing.png", dir + "/r4"]];
for (var i = 0; i < refused.length; ++i) {
  check(ctl.ConvertToPng(refused[i][0], refused[i][1]) === false, "refused: '" + refused[i][0] + "'");
}
check(!exists(dir + "/r2.png") && !exists(dir + "/r3.png") && !exists(dir + "/r4.png"), "nothing written");
check(ctl.ConvertToPng(dir + "/quadrants.png", dir + "/quadrants.bmp/x") === false, "an impossible destination");

// A bilevel TIFF conversion writes 1-bit from a private copy: the screen keeps its colours.
ctl.Undo();
ctl.TiffCompression = 1;
check(ctl.ConvertToTif(dir + "/quadrants.png", dir + "/fax") === true, "CCITT3 conversion");
check(ctl.GetPixelColor(10, 10) === RED && ctl.GetUndo() === 0, "the shown picture keeps its colours");
reader.LoadImage(dir + "/fax.tiff");
check(reader.GetPixelColor(10, 10) === BLACK, "the file is black and white");
ctl.TiffCompression = 9;
check(ctl.ConvertToTif(dir + "/quadrants.png", dir + "/lzw") === true, "unknown setting: LZW");
reader.LoadImage(dir + "/lzw.tiff");
check(reader.GetPixelColor(10, 10) === RED, "LZW keeps colour");
Host.Echo("file conversion done");
