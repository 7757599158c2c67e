// Saved properties survive into a new control; the ones not persisted do not; the modified flag follows.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
var dir = Host.Arguments[0];
var file = dir + "/saved-properties.json";

var first = Host.CreateControl("TAVLEN.TavlenCtrl.1", 300, 200);
check(!Host.IsModified(first), "a new control is not modified");
first.Align = 7;
check(Host.IsModified(first), "a property change marks the control modified");
first.BackStyle = 5;
first.BorderColor = 0x0000FF;
first.BorderWidth = 2.5;
first.JpgQuality = 80;
first.ShowBorder = false;
first.TextBold = true;
first.TextFont = "DejaVu Sans";
first.TextItalic = true;
first.TextSize = 24;
first.ZoomValue = 1.5;
first.TextColor = 0x00FF00;      // not persisted
first.TiffCompression = 3;       // not persisted
Host.SaveProperties(first, file);
check(!Host.IsModified(first), "saving clears the modified flag");

// A write that fails (the target's folder is a file) keeps the flag and the file saved before.
first.Align = 3;
var unwritable = false;
try { Host.SaveProperties(first, file + "/below-a-file.json"); }
catch (e) { unwritable = /cannot write/.test(e.message); }
check(unwritable, "an unwritable target is an error");
check(Host.IsModified(first), "a failed save keeps the modified flag");
first.Align = 7;

var second = Host.CreateControl("TAVLEN.TavlenCtrl.1", 300, 200, file);
check(second.Align === 7 && second.BackStyle === 5, "Align and BackStyle survive");
check(second.BorderColor === 0x0000FF && second.BorderWidth === 2.5, "the border survives");
check(second.JpgQuality === 80 && second.ShowBorder === false, "JpgQuality and ShowBorder survive");
check(second.TextBold === true && second.TextItalic === true, "the text style survives");
check(second.TextFont === "DejaVu Sans" && second.TextSize === 24, "the text font survives");
check(second.ZoomValue === 1.5, "ZoomValue survives");
check(second.TextColor === 0 && second.TiffCompression === 0, "TextColor and TiffCompression are not saved");
check(!Host.IsModified(second), "a loaded control is not modified");

Host.ResetProperties(second);
check(second.Align === 2 && second.ZoomValue === 1 && second.TextFont === "Arial", "a reset gives the defaults");

var missing = false;
try { Host.CreateControl("TAVLEN.TavlenCtrl.1", 300, 200, dir + "/no-such-file.json"); }
catch (e) { missing = /cannot read/.test(e.message); }
check(missing, "a missing properties file is an error");
Host.Echo("properties saved and loaded");
