// WScript as the desktop script host offers it: arguments, script names, echo, output streams, sleep.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }

var args = WScript.Arguments;
check(args.length === 3 && args.Count() === 3, "three arguments: " + args.length);
check(args(1) === "two words" && args.Item(2) === "third", "arguments by call and by Item");
check(args(0) === Host.Arguments[0], "the same arguments as Host.Arguments");
var past = null;
try { args(3); } catch (e) { past = e; }
check(past instanceof RangeError && /no argument 3 \(3 given\)/.test(past.message), "an index past the end: " + past);
var negative = "";
try { args.Item(-1); } catch (e) { negative = e.message; }
check(negative === "WScript.Arguments.Item: argument 1 must be an argument index", "a negative index: " + negative);

check(WScript.ScriptName === "wscript_basics.js", "ScriptName: " + WScript.ScriptName);
var full = WScript.ScriptFullName;
check(full.charAt(0) === "/" && /\/tests\/e2e\/wscript_basics\.js$/.test(full), "ScriptFullName: " + full);

WScript.Sleep(5);
var refused = "";
try { WScript.Sleep(-1); } catch (e) { refused = e.name + ": " + e.message; }
check(refused === "TypeError: WScript.Sleep: argument 1 must be a time in milliseconds", "Sleep(-1): " + refused);

WScript.StdOut.Write("out: ");
WScript.StdOut.WriteLine(42);
WScript.StdOut.WriteLine();
WScript.StdErr.Write("to ");
WScript.StdErr.WriteLine("stderr");
WScript.Echo("echo", 1, true);
