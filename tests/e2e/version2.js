// Version 2 through the script host: created by its ProgIDs, a phone photo upright with its tag read,
// redo, PictureChanged, its load settings saved; version 1 beside it keeps the photo as stored.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
var dir = Host.Arguments[0];
var photo = Host.Arguments[1] + "/jpeg/landscape_6.jpg";  // stored 450 x 600, orientation 6

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl", 300, 200);
var changes = 0;
Host.OnEvent(ctl, function (name) { if (name === "PictureChanged") changes++; });
check(ctl.AutoOrient === true, "AutoOrient is on by default");
check(ctl.GetImageOrientation() === 1 && ctl.GetRedo() === 0, "no picture: orientation 1, nothing to redo");

ctl.LoadImage(photo);
check(ctl.GetWidth() === 600 && ctl.GetHeight() === 450, "the sideways photo is upright: " + ctl.GetWidth());
check(ctl.GetImageOrientation() === 6, "the file's orientation is reported");
check(changes === 1, "loading fires PictureChanged");

ctl.Rotate90();
ctl.Rotate90();
ctl.Undo();
ctl.Undo();
check(ctl.GetRedo() === 2 && ctl.GetWidth() === 600, "two undos leave two redo steps");
ctl.Redo();
check(ctl.GetWidth() === 450 && ctl.GetRedo() === 1, "redo turns the picture again");
ctl.Flip(true);
check(ctl.GetRedo() === 0, "an edit clears the redo steps");
check(changes === 7, "every edit, undo and redo fires PictureChanged: " + changes);

// A saved file is upright for every viewer: its tag says 1.
check(ctl.SaveAsJpg(dir + "/upright"), "SaveAsJpg");
var reread = Host.CreateControl("TAVLEN.TavlenCtrl.2", 100, 100);
reread.LoadImage(dir + "/upright.jpg");
check(reread.GetImageOrientation() === 1 && reread.GetWidth() === 450, "the saved file needs no turn");

ctl.AutoOrient = false;
check(ctl.GetWidth() === 450, "AutoOrient changes nothing until the next load");
ctl.LoadImage(photo);
check(ctl.GetWidth() === 450 && ctl.GetHeight() === 600, "without AutoOrient the photo stays as stored");

var v1 = Host.CreateControl("TAVLEN.TavlenCtrl.1", 300, 200);
v1.LoadImage(photo);
check(v1.GetWidth() === 450, "version 1 shows the photo as stored");
var unknown = false;
try { v1.Redo(); } catch (e) { unknown = true; }
check(unknown, "version 1 has no Redo");

check(ctl.ConvertToPng(photo, dir + "/converted"), "ConvertToPng");
v1.LoadImage(dir + "/converted.png");
check(v1.GetWidth() === 450, "a conversion without AutoOrient writes the photo as stored");
ctl.AutoOrient = true;
check(ctl.ConvertToPng(photo, dir + "/converted"), "ConvertToPng");
v1.LoadImage(dir + "/converted.png");
check(v1.GetWidth() === 600, "version 2 converts upright");
// The load settings are saved with the control and read back by a new one.
check(ctl.ColorManaged === true && ctl.ExtraFormats === true, "ColorManaged and ExtraFormats are on by default");
ctl.ColorManaged = false;
ctl.ExtraFormats = false;
ctl.AutoOrient = false;
Host.SaveProperties(ctl, dir + "/settings.json");
var restored = Host.CreateControl("TAVLEN.TavlenCtrl.2", 100, 100, dir + "/settings.json");
check(restored.ColorManaged === false && restored.ExtraFormats === false && restored.AutoOrient === false,
      "the three load settings survive");
var v1Properties = false;
try { v1.ColorManaged = true; } catch (e) { v1Properties = true; }
check(v1Properties, "version 1 has no ColorManaged");
Host.Echo("version 2 checked");
