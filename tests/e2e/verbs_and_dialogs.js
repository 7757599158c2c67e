// The Properties verb and the About box show recorded dialogs, closed with the host's answer, and
// change nothing of the control.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 300, 200);
check(Host.Dialogs.length === 0, "no dialog before any was shown");
check(Host.DialogResponse === "ok", "dialogs are answered with OK by default");

Host.DoVerb(ctl, "Properties");
var dialogs = Host.Dialogs;
check(dialogs.length === 1, "the Properties verb shows one dialog");
check(/Properties/.test(dialogs[0].caption), "the property frame names itself: " + dialogs[0].caption);
check(dialogs[0].texts.indexOf("General") >= 0, "the page's tab is General");
check(dialogs[0].result === "ok", "closed with OK");
check(!Host.IsModified(ctl), "the Properties verb does not modify the control");

Host.DialogResponse = "Escape";
ctl.AboutBox();
dialogs = Host.Dialogs;
check(dialogs.length === 2, "the About box is the second dialog");
check(dialogs[1].result === "escape", "closed with Escape");
check(!Host.IsModified(ctl), "the About box does not modify the control");

var refused = false;
try { Host.DialogResponse = "maybe"; } catch (e) { refused = e instanceof RangeError; }
check(refused && Host.DialogResponse === "escape", "an unknown answer is refused");

var badVerb = false;
try { Host.DoVerb(ctl, 12345); } catch (e) { badVerb = /0x80040181/.test(e.message); }
check(badVerb, "an unknown verb is OLEOBJ_E_INVALIDVERB");
Host.Echo("verbs and dialogs");
