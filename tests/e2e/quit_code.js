// Host.Quit(code) ends the run with that exit code; nothing after it runs.
var ctl = new ActiveXObject("TAVLEN.TavlenCtrl.1");
Host.Echo("before quit");
Host.Quit(3);
throw new Error("the script went on after Host.Quit");
