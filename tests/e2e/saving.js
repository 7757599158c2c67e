// The five saves: names, the TIFF compression setting and its black-and-white step, and failures.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
var dir = Host.Arguments[0];
var RED = 0x0000FF, BLACK = 0;

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 400, 300);
var reader = Host.CreateControl("TAVLEN.TavlenCtrl.1", 400, 300);
function exists(path) { return ctl.GetFrameCount(path) > 0; }

// Nothing loaded: every save fails and writes nothing.
var saves = ["SaveAsBmp", "SaveAsGif", "SaveAsJpg", "SaveAsPng", "SaveAsTif"];
var extensions = [".bmp", ".gif", ".jpg", ".png", ".tiff"];
for (var i = 0; i < saves.length; ++i) {
  check(ctl[saves[i]](dir + "/none") === false, saves[i] + " without a picture is FALSE");
  check(!exists(dir + "/none" + extensions[i]), saves[i] + " without a picture writes nothing");
}

ctl.ShowBorder = false;
ctl.LoadImage(dir + "/quadrants.png");
for (var i = 0; i < saves.length; ++i) {
  check(ctl[saves[i]]("") === false, saves[i] + " with an empty path is FALSE");
  check(ctl[saves[i]](dir + "/pic") === true, saves[i] + " writes");
  check(exists(dir + "/pic" + extensions[i]), saves[i] + " appends " + extensions[i]);
}
check(ctl.SaveAsBmp(dir + "/pic.bmp") === true && exists(dir + "/pic.bmp.bmp"), "the extension is appended again");
check(ctl.SaveAsJpg(dir + "/UPPER") === true && exists(dir + "/UPPER.jpg"), "appended in lower case");
check(ctl.GetUndo() === 0, "saving is not an edit");

// The saved file holds the pixels at their own size, whatever the zoom.
ctl.Resize(100, 50);
ctl.ZoomValue = 3;
ctl.Zoom();
check(ctl.SaveAsPng(dir + "/small") === true, "save after a resize");
reader.LoadImage(dir + "/small.png");
check(reader.GetWidth() === 100 && reader.GetHeight() === 50, "the file is 100 x 50");
ctl.Undo();
ctl.ZoomValue = 1;

// Schemes that keep colour: LZW, none, and anything unknown (LZW).
var colourSettings = [0, 4, 5, 100, -1];
for (var i = 0; i < colourSettings.length; ++i) {
  ctl.TiffCompression = colourSettings[i];
  check(ctl.SaveAsTif(dir + "/colour" + i) === true, "TIFF with setting " + colourSettings[i]);
  check(ctl.GetPixelColor(10, 10) === RED && ctl.GetUndo() === 0, "setting " + colourSettings[i] + " keeps colour");
  reader.LoadImage(dir + "/colour" + i + ".tiff");
  check(reader.GetPixelColor(10, 10) === RED, "the file keeps colour");
}

// CCITT4: the picture on screen turns black and white, with one snapshot; the file is 1-bit.
ctl.TiffCompression = 2;
check(ctl.SaveAsTif(dir + "/fax") === true, "CCITT4 save");
check(ctl.GetUndo() === 1 && ctl.GetPixelColor(10, 10) === BLACK, "the shown picture is black and white");
check(ctl.SaveAsTif(dir + "/fax2") === true && ctl.GetUndo() === 1, "a second bilevel save adds no snapshot");
reader.LoadImage(dir + "/fax.tiff");
check(reader.GetPixelColor(10, 10) === BLACK && reader.GetPixelColor(190, 140) === BLACK, "the file is thresholded");
ctl.Undo();
check(ctl.GetPixelColor(10, 10) === RED, "Undo brings the colour back; the file stays");
reader.LoadImage(dir + "/fax.tiff");
check(reader.GetPixelColor(10, 10) === BLACK, "the file is as written");

// Places that cannot take the file: FALSE, and the picture stays usable.
check(ctl.SaveAsPng(dir + "/quadrants.png/inside") === false, "a folder that is a file");
check(ctl.SaveAsPng(dir + "/no/such/folder/pic") === false, "a missing folder");
ctl.Rotate90();
check(ctl.GetUndo() === 1, "edits after a failed save still record");
ctl.Undo();
check(ctl.GetPixelColor(10, 10) === RED, "and undo");
Host.Echo("saving done");
