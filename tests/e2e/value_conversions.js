// Values between script and automation, through the runtime's sample module: integers, reals, booleans,
// UTF-8 strings, objects and events with arguments.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }

var sample = new ActiveXObject("Tavlen.Sample.1");
sample.Count = 7;
check(sample.count === 7 && typeof sample.Count === "number", "integers travel as numbers");
sample.Ratio = 2.75;
check(sample.RATIO === 2.75, "reals keep their fraction");
sample.Ratio = 3;
check(sample.Ratio === 3, "an integral number reaches a real property");
check(sample.Check(true) === false && sample.Check(false) === true, "booleans travel as booleans (Check inverts)");
sample.Label = "Zürich — 東京";
check(sample.Label === "Zürich — 東京", "strings are UTF-8 both ways");
check(sample.Join("ab", "cd") === "abcd", "string arguments keep their order");
check(sample.Add(5) === 5 && sample.Add(-2) === 3 && sample.Total === 3, "results come back");
sample.Shade = 2;
check(sample.Shade === 2, "a short property");
var overflow = false;
try { sample.Shade = 40000; } catch (e) { overflow = /0x8002000A/.test(e.message); }
check(overflow, "a short overflows past 32767");

var pinged = [];
Host.OnEvent(sample, function (name, args) { pinged.push(name + ":" + args[0]); });
sample.Ping(42);
check(pinged.join() === "Pinged:42", "event names come from the type library: " + pinged.join());

// The sample has no window: the host's window functions say so.
var noWindow = false;
try { Host.PaintCount(sample); } catch (e) { noWindow = /0x80004002/.test(e.message); }
check(noWindow, "an object without a headless window");
Host.Echo("conversions");
