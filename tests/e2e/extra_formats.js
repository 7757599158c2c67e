// Today's formats and colour management on version 2 through the script host: WebP, AVIF, JPEG XL and
// HEIC loaded, frames counted and exported, WebP saved and converted to, ColorManaged on and off on a
// wide-gamut picture; version 1 refusing the new extensions and converting no colours.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
var dir = Host.Arguments[0];
var shared = Host.Arguments[1];

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl", 300, 200);
check(ctl.ColorManaged === true && ctl.ExtraFormats === true, "both settings are on by default");

var stills = [["webp/hopper.webp", 128, 128], ["avif/sofa_grid1x5_420.avif", 1024, 770],
              ["jxl/alpha_triangles.jxl", 1024, 1024], ["heif/Stonehenge.heic", 300, 200]];
for (var i = 0; i < stills.length; ++i) {
  ctl.LoadImage(shared + "/" + stills[i][0]);
  check(ctl.GetWidth() === stills[i][1] && ctl.GetHeight() === stills[i][2],
        stills[i][0] + " loads at its size: " + ctl.GetWidth() + " x " + ctl.GetHeight());
}
check(ctl.GetImageEquipModel() === "NIKON D5300", "the HEIC's EXIF is read: " + ctl.GetImageEquipModel());

// Frames of an animated WebP, an AVIF sequence, a JPEG XL animation and a HEIF file of two images.
var animated = [["webp/iss634.webp", 42], ["avif/colors-animated-8bpc-alpha-exif-xmp.avif", 5],
                ["jxl/animation_icos4d.jxl", 48], ["heif/example.heic", 2]];
for (var i = 0; i < animated.length; ++i) {
  var path = shared + "/" + animated[i][0];
  var count = ctl.GetFrameCount(path);
  check(count === animated[i][1], animated[i][0] + " has " + animated[i][1] + " frames: " + count);
  check(ctl.ExportFrame(path, dir + "/frame" + i, "PNG", count), "the last frame of " + animated[i][0] + " exported");
  check(!ctl.ExportFrame(path, dir + "/beyond" + i, "PNG", count + 1), "no frame beyond the last");
}
ctl.LoadFrame(shared + "/heif/example.heic", 2);
check(ctl.GetWidth() === 1280, "LoadFrame shows the HEIF file's second image");
ctl.LoadImage(dir + "/frame0.png");
check(ctl.GetWidth() === 245, "the exported WebP frame reads back");

// WebP written: lossless at JpgQuality 100, the extension appended as by the other saves.
ctl.LoadImage(shared + "/webp/hopper.webp");
check(ctl.SaveAsWebp(dir + "/saved"), "SaveAsWebp");
ctl.JpgQuality = 40;
check(ctl.SaveAsWebp(dir + "/lossy"), "SaveAsWebp at quality 40");
check(ctl.ConvertToWebp(shared + "/jxl/grayscale.jxl", dir + "/converted"), "ConvertToWebp");
check(!ctl.ConvertToWebp(dir + "/missing.png", dir + "/none"), "a missing source converts to nothing");
var reread = Host.CreateControl("TAVLEN.TavlenCtrl.2", 300, 200);
reread.LoadImage(dir + "/saved.webp");
check(reread.GetWidth() === 128, "the saved WebP reads back");
reread.LoadImage(dir + "/converted.webp");
check(reread.GetWidth() === 200 && reread.GetHeight() === 200, "the converted WebP reads back");

// A wide-gamut picture (DCI-P3 profile): managed and unmanaged pixels differ.
var bars = shared + "/icc/P3-sRGB-color-bars.png";
function samples(control) {
  var values = [];
  for (var y = 20; y < 200; y += 40)
    for (var x = 10; x < 300; x += 30) values.push(control.GetPixelColor(x, y));
  return values.join(",");
}
var view = Host.CreateControl("TAVLEN.TavlenCtrl.2", 300, 200);
view.ShowBorder = false;
view.LoadImage(bars);
var managed = samples(view);
view.ColorManaged = false;
check(samples(view) === managed, "ColorManaged changes nothing until the next load");
view.LoadImage(bars);
var unmanaged = samples(view);
check(unmanaged !== managed, "ColorManaged off shows other pixels than on");

// Version 1: the eleven extensions of old only, colours as stored.
var v1 = Host.CreateControl("TAVLEN.TavlenCtrl.1", 300, 200);
v1.ShowBorder = false;
var refused = ["webp/hopper.webp", "avif/transparency.avif", "jxl/grayscale.jxl", "heif/Stonehenge.heic"];
for (var i = 0; i < refused.length; ++i) {
  v1.LoadImage(shared + "/" + refused[i]);
  check(v1.GetWidth() === 0, "version 1 refuses " + refused[i]);
  check(v1.GetFrameCount(shared + "/" + refused[i]) === 0, "version 1 counts no frames of " + refused[i]);
  check(!v1.ConvertToPng(shared + "/" + refused[i], dir + "/v1"), "version 1 converts no " + refused[i]);
}
var unknown = false;
try { v1.SaveAsWebp(dir + "/v1"); } catch (e) { unknown = true; }
check(unknown, "version 1 has no SaveAsWebp");
v1.LoadImage(bars);
check(samples(v1) === unmanaged, "version 1 shows the wide-gamut picture unconverted");
Host.Echo("extra formats checked");
