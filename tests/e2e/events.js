// Stock events reach script handlers with their arguments; a handler's error comes out of the call.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 300, 200);
var seen = [];
Host.OnEvent(ctl, function (name, args) { seen.push(name + "(" + args.join(",") + ")"); });

Host.MouseMove(ctl, 10, 20, 4);  // MK_SHIFT
check(seen.join(" ") === "MouseMove(0,1,10,20)", "MouseMove with Button, Shift, X, Y: " + seen.join(" "));
seen = [];
Host.MouseDown(ctl, "left", 30, 40);
Host.MouseUp(ctl, 1, 30, 40);
check(seen.join(" ") === "MouseDown(1,0,30,40) MouseUp(1,0,30,40) Click()", "a left click: " + seen.join(" "));
seen = [];
Host.MouseDown(ctl, "right", 5, 6, 8);  // MK_CONTROL
check(seen.join(" ") === "MouseDown(2,2,5,6)", "a right press with Ctrl: " + seen.join(" "));

var second = [];
Host.OnEvent(ctl, function (name) { second.push(name); });
Host.MouseUp(ctl, "right", 5, 6);
check(second.join() === "MouseUp", "every handler is called");

Host.OnEvent(ctl, function (name) { if (name === "MouseMove") throw new Error("handler refused " + name); });
var rethrown = false;
try { Host.MouseMove(ctl, 1, 1); } catch (e) { rethrown = e.message === "handler refused MouseMove"; }
check(rethrown, "a handler's error comes out of the call that fired the event");
Host.Echo("events");
