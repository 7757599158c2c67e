// Prints a picture through the print dialog and reports what happened, for print_test:
//   tavlen run print_job.js PICTURE CASE [PRINTER]
// CASE: bysize (850 x 1100), displayed, zoomed (ZoomValue 2 first), empty (0 x 0), cancel, noimage.
// PRINTER, when given, becomes Host.Printer first ("-" stands for "").
var args = Host.Arguments;
var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 400, 300);
if (args.length > 2) Host.Printer = args[2] === "-" ? "" : args[2];
var which = args[1];
if (which !== "noimage") ctl.LoadImage(args[0]);
var printed;
if (which === "bysize") {
  printed = ctl.PrintImageBySize(850, 1100);
} else if (which === "zoomed") {
  ctl.ZoomValue = 2;
  ctl.Zoom();
  printed = ctl.PrintImage();
} else if (which === "empty") {
  printed = ctl.PrintImageBySize(0, 0);
} else if (which === "cancel") {
  Host.DialogResponse = "cancel";
  printed = ctl.PrintImage();
} else {
  printed = ctl.PrintImage();
}
var dialogs = Host.Dialogs;
var shown = dialogs.map(function (d) { return d.caption + "/" + d.result; }).join(",");
Host.Echo("printed=" + printed, "printer=[" + Host.Printer + "]", "dialogs=[" + shown + "]");
