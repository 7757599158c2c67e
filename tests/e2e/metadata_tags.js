// The seven metadata tags through automation: UTF-8 in and out, long values, empty strings that keep
// a tag, tags that follow the picture through edits and Undo, and tags read from real camera files.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
var dir = Host.Arguments[0];
var testdata = Host.Arguments[1];
var names = ["Artist", "Copyright", "DateTime", "Description", "EquipMake", "EquipModel", "Title"];
function get(ctl, name) { return ctl["GetImage" + name](); }
function set(ctl, name, text) { ctl["SetImage" + name](text); }

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 300, 200);
for (var i = 0; i < names.length; i++) {
  set(ctl, names[i], "ignored");
  check(get(ctl, names[i]) === "", "GetImage" + names[i] + " is empty before any picture");
}

ctl.LoadImage(dir + "/quadrants.png");
check(ctl.GetImageCopyright() === "", "a file without a copyright tag reads empty");
var long = "";
while (long.length < 300) long += "\u00e9t\u00e9 ";
var texts = {
  Artist: "Bj\u00f6rk Gu\u00f0mundsd\u00f3ttir",
  Copyright: "\u00a9 2026 \u6771\u4eac",
  DateTime: "not a date at all",
  Description: long,
  EquipMake: "Ma\u00f1ana",
  EquipModel: "\u041a\u0430\u043c\u0435\u0440\u0430 7",
  Title: "\uc11c\uc6b8\uc758 \ubc24"
};
for (i = 0; i < names.length; i++) set(ctl, names[i], texts[names[i]]);
check(ctl.GetUndo() === 0, "setting tags records no snapshot");
for (i = 0; i < names.length; i++) {
  check(get(ctl, names[i]) === texts[names[i]], names[i] + " reads back as set: " + get(ctl, names[i]));
}
ctl.SetImageTitle("");
check(ctl.GetImageTitle() === texts.Title, "an empty string leaves the title as it was");

// The tags go with every copy: the snapshot of an edit keeps them, Undo brings back the state's own.
ctl.Rotate90();
check(ctl.GetImageArtist() === texts.Artist, "a turned picture keeps its tags");
ctl.SetImageArtist("changed after the turn");
ctl.Rotate90();
check(ctl.GetImageArtist() === "changed after the turn", "the second turn keeps the changed tag");
ctl.Undo();
check(ctl.GetImageArtist() === texts.Artist, "Undo restores the tags the first turn's snapshot was taken with");
ctl.Undo();
check(ctl.GetImageArtist() === "", "the loaded picture had no artist");

// Tags written by cameras and editors (the shared real-world files, when present).
ctl.LoadImage(testdata + "/jpeg/ExifTool.jpg");
if (ctl.GetWidth() === 0) {
  Host.Echo("metadata tags: real-world files skipped, " + testdata + " is absent");
} else {
  check(ctl.GetImageArtist() === "Phil Harvey", "JPEG artist: " + ctl.GetImageArtist());
  check(ctl.GetImageEquipMake() === "FUJIFILM", "JPEG make: " + ctl.GetImageEquipMake());
  check(ctl.GetImageDateTime() === "2004:02:26 09:36:46", "JPEG date: " + ctl.GetImageDateTime());
  ctl.LoadImage(testdata + "/tiff/ExifTool.tif");
  check(ctl.GetImageEquipModel() === "Canon EOS DIGITAL REBEL", "TIFF model: " + ctl.GetImageEquipModel());
  check(ctl.GetImageDescription() === "The picture caption", "TIFF description: " + ctl.GetImageDescription());
  check(ctl.GetImageArtist() === "", "a tag that the TIFF lacks reads empty");
  Host.Echo("metadata tags: real-world files read");
}
Host.Echo("metadata tags checked");
