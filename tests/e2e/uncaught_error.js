// An uncaught error ends the run with exit code 1 and "SCRIPT:LINE: message" on standard error.
var ctl = new ActiveXObject("TAVLEN.TavlenCtrl.1");
ctl.Align = 4;
Host.Echo("about to fail");

throw new Error("deliberate failure in check");
