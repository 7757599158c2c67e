// CopyToClipboard through the host's view of the clipboard: full pixel size whatever the zoom, edits
// included, only the bitmap format left, and nothing touched without a picture or while busy.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
var RED = 0x0000FF, GREEN = 0x00FF00, BLUE = 0xFF0000, YELLOW = 0x00FFFF;  // 0x00BBGGRR
var dir = Host.Arguments[0];

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 300, 200);
check(Host.ClipboardFormats().length === 0, "the clipboard starts empty");
check(Host.SetClipboardText("from another program") === true, "another program puts text on it");
check(Host.ClipboardFormats().join() === "1", "the text is CF_TEXT");

ctl.CopyToClipboard();
check(Host.ClipboardFormats().join() === "1", "without a picture the clipboard is untouched");
check(Host.SaveClipboardImage(dir + "/none.png") === false, "there is no bitmap to save");

ctl.LoadImage(dir + "/quadrants.png");  // 200 x 150: red, green / blue, yellow
ctl.ZoomValue = 0.25;
ctl.Zoom();
ctl.Rotate90();  // clockwise: blue, red / yellow, green, 150 x 200

Host.ClipboardBusy = true;
ctl.CopyToClipboard();
check(Host.ClipboardFormats().join() === "1", "a busy clipboard keeps what it had");
check(Host.SetClipboardText("again") === false, "while busy nobody can open it");
Host.ClipboardBusy = false;

ctl.CopyToClipboard();
check(Host.ClipboardFormats().join() === "2", "only the bitmap remains: " + Host.ClipboardFormats().join());
check(Host.SaveClipboardImage(dir + "/clip.png") === true, "the bitmap is saved");

var view = Host.CreateControl("TAVLEN.TavlenCtrl.1", 300, 300);
view.ShowBorder = false;
view.LoadImage(dir + "/clip.png");
check(view.GetWidth() === 150 && view.GetHeight() === 200,
      "full pixel size despite the zoom: " + view.GetWidth() + " x " + view.GetHeight());
function expectAt(x, y, color, what) {
  var seen = Host.ClientPixel(view, x, y);
  check(seen === color, what + ": 0x" + seen.toString(16) + ", expected 0x" + color.toString(16));
}
expectAt(20, 20, BLUE, "the turned picture's top-left");
expectAt(130, 20, RED, "top-right");
expectAt(20, 180, YELLOW, "bottom-left");
expectAt(130, 180, GREEN, "bottom-right");

var threw = false;
try { Host.SaveClipboardImage(dir + "/quadrants.png/clip.png"); } catch (e) { threw = /cannot write/.test(e.message); }
check(threw, "an unwritable path is an error");
Host.Echo("clipboard copy checked");
