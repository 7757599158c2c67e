// A tour of the control, driven the way any host drives it: by name through automation.
//   tavlen run examples/tour.js PICTURE OUT_DIR
// Loads the picture, shows it aligned, hatched, fitted, zoomed and scrolled, turns, mirrors and resizes
// it, and writes a PNG of the control's window after each step (and the edited pictures) into OUT_DIR.
var picture = Host.Arguments[0] || "examples/landscape.png";
var out = Host.Arguments[1] || "demo-out";
var step = 0;

function snapshot(ctl, name, what) {
  step += 1;
  var file = out + "/" + (step < 10 ? "0" : "") + step + "-" + name + ".png";
  Host.SaveClientArea(ctl, file);
  Host.Echo("  " + file + "  " + what);
}

function bars(ctl) {
  var h = Host.ScrollBar(ctl, "horz"), v = Host.ScrollBar(ctl, "vert");
  function one(bar) { return bar.shown ? "pos " + bar.pos + " of 0-" + bar.max + " (page " + bar.page + ")" : "hidden"; }
  return "horizontal bar " + one(h) + ", vertical bar " + one(v);
}

// Saves the working picture when this build can (the save methods arrive with their part).
function savePicture(ctl, name) {
  var file = out + "/" + name;
  if (ctl.SaveAsPng(file)) Host.Echo("  " + file + "  the edited picture");
  else Host.Echo("  (SaveAsPng is not available in this build; the window snapshots show the edits)");
}

var ctl = new ActiveXObject("TAVLEN.TavlenCtrl.1");  // a 640 x 480 headless window
Host.Echo("Created " + ctl + " in a " + Host.ClientSize(ctl).width + " x " + Host.ClientSize(ctl).height +
          " window");
var events = [];
Host.OnEvent(ctl, function (name, args) { events.push(name + "(" + args.join(", ") + ")"); });

ctl.LoadImage(picture);
Host.Echo("Loaded " + picture + ": " + ctl.GetWidth() + " x " + ctl.GetHeight() + " pixels");
snapshot(ctl, "loaded", "as loaded, top-left");

Host.Resize(ctl, 800, 560);
ctl.Align = 4;  // Center
ctl.BackStyle = 6;  // a hatch behind the picture
ctl.BackColor = 0x00C08040;
ctl.ForeColor = 0x00F0E0D0;
ctl.BorderColor = 0x00202020;
ctl.BorderWidth = 3;
snapshot(ctl, "centred", "centred in a larger window on a hatched background with a border");

ctl.ZoomToFit();
snapshot(ctl, "fitted", "zoomed to fit the window (zoom keeps the pixels)");

ctl.ZoomValue = 2.5;
ctl.ZoomByOriginal();
Host.Echo("  zoomed to 2.5 x: " + bars(ctl));
Host.Wheel(ctl, -120, 0);
Host.Wheel(ctl, -120, 0);
Host.Scroll(ctl, "horz", "pageright");
Host.Scroll(ctl, "horz", "pageright");
Host.Echo("  after two wheel notches and two pages right: " + bars(ctl));
snapshot(ctl, "zoomed-scrolled", "2.5 x, scrolled by wheel and scroll bar");

ctl.ZoomToFit();
ctl.Rotate90();
ctl.ZoomToFit();
snapshot(ctl, "turned", "turned a quarter clockwise: now " + ctl.GetWidth() + " x " + ctl.GetHeight());
ctl.Flip(false);
snapshot(ctl, "mirrored", "mirrored");
ctl.Resize(240, 160);
ctl.ZoomByOriginal();
snapshot(ctl, "resized", "resampled to " + ctl.GetWidth() + " x " + ctl.GetHeight());
savePicture(ctl, "edited.png");
Host.Echo("  undo steps available: " + ctl.GetUndo());
ctl.Undo();
ctl.Undo();
ctl.ZoomToFit();
snapshot(ctl, "undone", "two steps undone: " + ctl.GetWidth() + " x " + ctl.GetHeight());

Host.MouseMove(ctl, 400, 280);
Host.MouseDown(ctl, "left", 400, 280);
Host.MouseUp(ctl, "left", 400, 280);
Host.Echo("Events from a click in the window: " + events.join(" "));

Host.SaveProperties(ctl, out + "/properties.json");
Host.Echo("Saved the control's properties to " + out + "/properties.json");
var again = Host.CreateControl("TAVLEN.TavlenCtrl.1", 800, 560, out + "/properties.json");
again.LoadImage(picture);
Host.Echo("A second control loaded them: Align " + again.Align + ", BackStyle " + again.BackStyle +
          ", BorderWidth " + again.BorderWidth);
snapshot(again, "restored", "a new control with the saved properties");

Host.DoVerb(ctl, "Properties");
ctl.AboutBox();
var dialogs = Host.Dialogs;
for (var i = 0; i < dialogs.length; i++) {
  Host.Echo("Dialog \"" + dialogs[i].caption + "\" closed with " + dialogs[i].result);
}
Host.Echo("Tour finished: " + step + " window snapshots in " + out);
