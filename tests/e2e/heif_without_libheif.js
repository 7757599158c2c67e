// Without libheif a HEIF file fails to load and the host is told why; every other format still loads.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
var shared = Host.Arguments[1];

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl", 300, 200);
ctl.LoadImage(shared + "/heif/Stonehenge.heic");
check(ctl.GetWidth() === 0, "no HEIF picture without libheif");
check(ctl.GetFrameCount(shared + "/heif/example.heic") === 0, "no HEIF frames without libheif");
ctl.LoadImage(shared + "/webp/hopper.webp");
check(ctl.GetWidth() === 128, "a WebP still loads");
Host.Echo("HEIF refused with its reason");
