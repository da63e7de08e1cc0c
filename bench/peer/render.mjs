// The widget drawn the way many teams draw such cards today: an element tree laid out by satori
// into SVG, rasterised by resvg. Same design, fonts, store values and pixel sizes as
// `pocketta-widget render --family all --scale 3 --format png`, so bench/compare can set the
// two processes side by side.
//
// usage: node bench/peer/render.mjs OUT_DIR [STORE_PLIST]
import { readFileSync, writeFileSync, mkdirSync } from 'node:fs';
import { join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import satori from 'satori';
import { Resvg } from '@resvg/resvg-js';

const here = dirname(fileURLToPath(import.meta.url));
const outDir = process.argv[2];
if (!outDir) {
  console.error('usage: node render.mjs OUT_DIR [STORE_PLIST]');
  process.exit(2);
}
const storePath =
  process.argv[3] ??
  join(here, '../../samples/group-containers/group.pocketta.shared/Library/Preferences/group.pocketta.shared.plist');

const SCALE = 3;
const FAMILIES = [
  { name: 'small', width: 170, height: 170 },
  { name: 'medium', width: 364, height: 170 },
];
const MARGIN = 16;
const CORNER_RADIUS = 21.7;
const HSTACK_SPACING = 8;
const SPACER_MIN = 8;
const LABEL_GAP = 6;
const WHITE = 'rgb(255,255,255)';
const GREEN = 'rgb(52,199,89)';
const ORANGE = 'rgb(255,149,0)';

// ---- store: the XML property list the app writes (binary lists are out of the peer's scope) ----
function readStore(path) {
  let xml = '';
  try {
    xml = readFileSync(path, 'utf8');
  } catch {
    // A missing store shows zeros, as the widget does.
  }
  const value = (key) => {
    const m = xml.match(new RegExp(`<key>${key}</key>\\s*<(real|integer)>([^<]*)</`));
    const v = m ? Number(m[2]) : 0;
    return Number.isFinite(v) ? v : 0;
  };
  return { balance: value('balance'), income: value('todayIncome'), expense: value('todayExpense') };
}

// ---- fonts ----
const fontFile = (p) => readFileSync(p);
const interRegular = fontFile('/usr/share/fonts/opentype/inter/Inter-Regular.otf');
const interBold = fontFile('/usr/share/fonts/opentype/inter/Inter-Bold.otf');
const dejaVuMono = fontFile('/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf');
const fonts = [
  { name: 'Inter', data: interRegular, weight: 400, style: 'normal' },
  { name: 'Inter', data: interBold, weight: 700, style: 'normal' },
  { name: 'DejaVu Sans Mono', data: dejaVuMono, weight: 400, style: 'normal' },
];

// Advance widths straight from cmap (format 4) and hmtx: satori has no shrink-to-fit, and the
// balance must shrink like the widget's (down to 70 %) before it is cut.
function advanceMeasurer(buf) {
  const dv = new DataView(buf.buffer, buf.byteOffset, buf.byteLength);
  const tables = {};
  const numTables = dv.getUint16(4);
  for (let i = 0; i < numTables; i++) {
    const rec = 12 + 16 * i;
    const tag = String.fromCharCode(dv.getUint8(rec), dv.getUint8(rec + 1), dv.getUint8(rec + 2), dv.getUint8(rec + 3));
    tables[tag] = dv.getUint32(rec + 8);
  }
  const unitsPerEm = dv.getUint16(tables.head + 18);
  const numberOfHMetrics = dv.getUint16(tables.hhea + 34);
  let fmt4 = -1;
  const cmap = tables.cmap;
  for (let i = 0; i < dv.getUint16(cmap + 2); i++) {
    const platform = dv.getUint16(cmap + 4 + 8 * i);
    const encoding = dv.getUint16(cmap + 6 + 8 * i);
    const sub = cmap + dv.getUint32(cmap + 8 + 8 * i);
    if (platform === 3 && encoding === 1 && dv.getUint16(sub) === 4) fmt4 = sub;
  }
  const glyphOf = (code) => {
    if (fmt4 < 0) return 0;
    const segX2 = dv.getUint16(fmt4 + 6);
    const ends = fmt4 + 14;
    const starts = ends + segX2 + 2;
    const deltas = starts + segX2;
    const ranges = deltas + segX2;
    for (let s = 0; s < segX2; s += 2) {
      if (code > dv.getUint16(ends + s)) continue;
      if (code < dv.getUint16(starts + s)) return 0;
      const rangeOffset = dv.getUint16(ranges + s);
      if (rangeOffset === 0) return (code + dv.getInt16(deltas + s)) & 0xffff;
      const g = dv.getUint16(ranges + s + rangeOffset + 2 * (code - dv.getUint16(starts + s)));
      return g === 0 ? 0 : (g + dv.getInt16(deltas + s)) & 0xffff;
    }
    return 0;
  };
  const advance = (glyph) => dv.getUint16(tables.hmtx + 4 * Math.min(glyph, numberOfHMetrics - 1));
  return (text, size) => {
    let units = 0;
    for (const ch of text) units += advance(glyphOf(ch.codePointAt(0)));
    return (units * size) / unitsPerEm;
  };
}
const measureBold = advanceMeasurer(interBold);

// ---- number formats (en-US, as the host's default locale) ----
const balanceText = (v) =>
  new Intl.NumberFormat('en-US', { style: 'currency', currency: 'CNY' }).format(v);
const amountText = (v) => new Intl.NumberFormat('en-US', { maximumFractionDigits: 2 }).format(v);

// ---- symbols, drawn as small inline SVGs in the current colour at the font's size ----
const svg = (size, color, children) => ({
  type: 'svg',
  props: { width: size, height: size, viewBox: '0 0 24 24', fill: 'none', style: { flexShrink: 0 }, children },
});
const walletIcon = (size, color) =>
  svg(size, color, [
    { type: 'rect', props: { x: 2.5, y: 6, width: 19, height: 14, rx: 3, fill: color } },
    { type: 'rect', props: { x: 14, y: 10.5, width: 8, height: 5, rx: 2.5, fill: 'rgb(20,30,24)' } },
    { type: 'circle', props: { cx: 16.5, cy: 13, r: 1.2, fill: color } },
  ]);
const arrowIcon = (size, color, down) =>
  svg(size, color, [
    {
      type: 'path',
      props: down
        ? { d: 'M18 6L6 18M6 8.5V18h9.5', stroke: color, strokeWidth: 2.6, strokeLinecap: 'round', strokeLinejoin: 'round', fill: 'none' }
        : { d: 'M6 18L18 6M8.5 6H18v9.5', stroke: color, strokeWidth: 2.6, strokeLinecap: 'round', strokeLinejoin: 'round', fill: 'none' },
    },
  ]);

const el = (style, children) => ({ type: 'div', props: { style: { display: 'flex', ...style }, children } });
const label = (icon, text, style) =>
  el({ alignItems: 'center', gap: LABEL_GAP, ...style }, [icon, el({}, text)]);
const spacer = () => el({ flexGrow: 1, minWidth: SPACER_MIN }, []);

function widget(entry, family) {
  const contentWidth = family.width - 2 * MARGIN;
  const balance = balanceText(entry.balance);
  const natural = measureBold(balance, 22);
  const balanceSize = natural > contentWidth ? 22 * Math.max(0.7, contentWidth / natural) : 22;
  // The gradient runs corner to corner: the CSS angle whose line is the diagonal.
  const angle = 90 + (Math.atan2(family.height, family.width) * 180) / Math.PI;
  return el(
    {
      width: family.width,
      height: family.height,
      borderRadius: CORNER_RADIUS,
      backgroundImage: `linear-gradient(${angle}deg, rgb(0,0,0), rgb(31,51,38))`,
      padding: MARGIN,
      boxSizing: 'border-box',
      flexDirection: 'column',
      justifyContent: 'center',
      color: WHITE,
      fontFamily: 'Inter',
    },
    [
      el({ flexDirection: 'column', alignItems: 'stretch', gap: 8 }, [
        el({ alignItems: 'center', gap: HSTACK_SPACING }, [
          label(walletIcon(12, WHITE), 'POCKETTA', { fontSize: 12, fontWeight: 700 }),
          spacer(),
          el({ fontSize: 11, fontFamily: 'DejaVu Sans Mono' }, 'CNY'),
        ]),
        el(
          { fontSize: balanceSize, fontWeight: 700, whiteSpace: 'nowrap', overflow: 'hidden', textOverflow: 'ellipsis' },
          balance,
        ),
        el({ alignItems: 'center', gap: HSTACK_SPACING, fontSize: 12, fontFeatureSettings: '"tnum" 1' }, [
          label(arrowIcon(12, GREEN, true), amountText(entry.income), { color: GREEN }),
          spacer(),
          label(arrowIcon(12, ORANGE, false), amountText(entry.expense), { color: ORANGE }),
        ]),
      ]),
    ],
  );
}

const entry = readStore(storePath);
mkdirSync(outDir, { recursive: true });
for (const family of FAMILIES) {
  const markup = await satori(widget(entry, family), { width: family.width, height: family.height, fonts });
  const png = new Resvg(markup, {
    fitTo: { mode: 'zoom', value: SCALE },
    font: { loadSystemFonts: false },
  })
    .render()
    .asPng();
  writeFileSync(join(outDir, `PockettaWidget-${family.name}@${SCALE}x.png`), png);
}
