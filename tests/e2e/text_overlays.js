// The five text styles stamped into a picture, read back from the window at 100 %: colours, offsets,
// clipping at the edges, the snapshot each call records, Undo taking the text back, and the font list.
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
var RED = 0x0000FF, GREEN = 0x00FF00, BLUE = 0xFF0000, WHITE = 0xFFFFFF, BLACK = 0x000000;  // 0x00BBGGRR
var dir = Host.Arguments[0];

var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 400, 300);
ctl.ShowBorder = false;
ctl.LoadImage(dir + "/quadrants.png");  // red, green, blue and yellow quarters of 100 x 75
check(ctl.GetWidth() === 200 && ctl.GetUndo() === 0, "the quadrants load at the top left");
ctl.TextFont = "DejaVu Sans";
ctl.TextSize = 40;
ctl.TextBold = true;

function red(c) { return c & 0xFF; }
function green(c) { return (c >> 8) & 0xFF; }
function near(value, wanted) { return Math.abs(value - wanted) <= 2; }
// Calls visit(x, y, colour) for every pixel of the red quarter.
function eachRedQuarterPixel(visit) {
  for (var y = 0; y < 75; y++) {
    for (var x = 0; x < 100; x++) visit(x, y, Host.ClientPixel(ctl, x, y));
  }
}
function count(color) {
  var n = 0;
  eachRedQuarterPixel(function (x, y, c) { if (c === color) n++; });
  return n;
}
// Undo takes the text back: the quarter is red again and the other quarters never changed.
function undoAndCheck(style) {
  var before = ctl.GetUndo();
  ctl.Undo();
  check(ctl.GetUndo() === before - 1, style + ": Undo steps back one snapshot");
  check(count(RED) === 100 * 75, style + ": Undo removes the text");
  check(Host.ClientPixel(ctl, 150, 30) === GREEN, style + ": the green quarter is untouched");
}

// DrawText: pure text colour inside the glyphs.
ctl.TextColor = BLUE;
ctl.DrawText(5, 5, "HI");
check(ctl.GetUndo() === 1, "DrawText records a snapshot");
check(count(BLUE) > 100, "DrawText fills glyphs with pure blue, " + count(BLUE) + " pixels");
check(Host.ClientPixel(ctl, 2, 2) === RED, "nothing above and left of the layout origin");
undoAndCheck("DrawText");

// DrawWaterMarkText: 60 % black, then 60 % white one pixel right of and below it; TextColor plays no part.
ctl.TextColor = GREEN;
ctl.DrawWaterMarkText(5, 5, "HI");
var darkOnly = 0, light = 0, opaque = 0;
eachRedQuarterPixel(function (x, y, c) {
  if (near(red(c), 102) && green(c) === 0) darkOnly++;  // 0.4 x 255
  if (near(green(c), 153)) light++;                      // 0.6 x 255 of white over red or dark red
  if (c === GREEN || c === BLACK || c === WHITE) opaque++;
});
check(darkOnly > 10, "the dark copy shows along top and left edges: " + darkOnly);
check(light > 100, "the light copy lies over it: " + light);
check(opaque === 0, "the watermark is translucent and ignores TextColor");
undoAndCheck("DrawWaterMarkText");

// DrawFillOutlineText: fill inside, outline over it; DrawOutlineText leaves the same interior unfilled.
ctl.TextColor = WHITE;
ctl.DrawFillOutlineText(5, 5, "HO", BLACK);
var interior = [];
eachRedQuarterPixel(function (x, y, c) { if (c === BLACK) interior.push([x, y]); });
check(interior.length > 20, "the fill shows inside the outline: " + interior.length);
check(count(WHITE) > 50, "the outline is drawn in the text colour");
undoAndCheck("DrawFillOutlineText");
ctl.DrawOutlineText(5, 5, "HO");
check(count(WHITE) > 50, "DrawOutlineText strokes in the text colour");
check(count(BLACK) === 0, "nothing fills the outline");
for (var i = 0; i < interior.length; i++) {
  var p = interior[i];
  check(Host.ClientPixel(ctl, p[0], p[1]) === RED, "interior pixel " + p + " keeps the picture");
}
undoAndCheck("DrawOutlineText");

// DrawShadowText: the shadow one pixel right of and below, under the text.
ctl.DrawShadowText(5, 5, "HI", BLACK);
var shadow = 0;
eachRedQuarterPixel(function (x, y, c) {
  if (c !== BLACK) return;
  shadow++;
  check(Host.ClientPixel(ctl, x - 1, y - 1) === WHITE, "shadow pixel " + x + "," + y + " is the text moved by (1, 1)");
});
check(shadow > 10 && count(WHITE) > 100, "text and the visible part of its shadow: " + shadow);
undoAndCheck("DrawShadowText");

// Clipping at the edges: what lies outside is cut off, and each call still records a snapshot.
ctl.TextColor = BLUE;
ctl.DrawText(-10, -10, "HI");
check(ctl.GetUndo() === 1 && count(BLUE) > 20, "text at (-10, -10) is clipped into the corner");
ctl.DrawShadowText(185, 135, "HI", BLACK);
check(ctl.GetUndo() === 2, "text past the bottom-right edge records a snapshot");
var corner = 0;
for (var y = 135; y < 150; y++) {
  for (var x = 185; x < 200; x++) corner += Host.ClientPixel(ctl, x, y) === BLUE ? 1 : 0;
}
check(corner > 5, "its visible part lands in the corner: " + corner);
check(Host.ClientPixel(ctl, 205, 145) !== BLUE, "nothing is drawn beside the picture");
ctl.DrawOutlineText(5000, 5000, "HI");
ctl.TextFont = "No Such Family";
ctl.DrawText(5, 5, "HI");
check(ctl.GetUndo() === 4, "text entirely outside, or in an unknown family, still records a snapshot");
ctl.Undo();
ctl.Undo();
ctl.Undo();
ctl.Undo();
check(count(RED) === 100 * 75 && ctl.GetUndo() === 0, "four Undo calls bring back the loaded picture");

// The font list: sorted names, each of which finds its family as TextFont.
var fonts = ctl.GetTextFontCount();
check(fonts > 0, "some fonts are installed");
check(ctl.GetTextFont(-1) === "" && ctl.GetTextFont(fonts) === "", "positions outside the list are empty");
var previous = "", dejavu = "";
for (var n = 0; n < fonts; n++) {
  var name = ctl.GetTextFont(n);
  check(name !== "" && name.toLowerCase() > previous.toLowerCase(), "font " + n + " (" + name + ") follows " + previous);
  if (name === "DejaVu Serif") dejavu = name;
  previous = name;
}
check(dejavu !== "", "DejaVu Serif is listed");
ctl.TextFont = dejavu;
ctl.TextColor = BLUE;
ctl.DrawText(5, 5, "HI");
check(count(BLUE) > 50, "a listed name draws as TextFont");
Host.Echo("text overlays: " + fonts + " font families");
