// The preview page in Debian's chromium: what a user sees and clicks, against a real server
// on a copy of the sample store. Run by ctest; exits 77 (skipped) without the browser or
// playwright-core.
import { test, after, before } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import { launchBrowser } from './browser.mjs';

const executable = process.env.POCKETTA_WIDGET;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'preview-browser-'));
const containers = path.join(work, 'containers');
fs.cpSync(process.env.POCKETTA_SAMPLES, containers, { recursive: true });
const suite = 'group.pocketta.shared';
const store = path.join(containers, suite, 'Library', 'Preferences', `${suite}.plist`);

// Writes a store beside the real one and renames it over, as the app does.
function replaceStore(balance) {
  const plist = '<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict>' +
    `<key>balance</key><real>${balance}</real><key>todayIncome</key><real>350</real>` +
    '<key>todayExpense</key><real>86.4</real><key>updatedAt</key><date>2026-12-06T08:30:00Z</date>' +
    '</dict></plist>\n';
  fs.writeFileSync(`${store}.new`, plist);
  fs.renameSync(`${store}.new`, store);
}

let server;
let url;
let context;
let page;
const consoleErrors = [];

before(async () => {
  server = spawn(executable, ['preview', '--containers', containers, '--locale', 'en_US'],
    { stdio: ['ignore', 'pipe', 'inherit'] });
  url = (await readline.createInterface({ input: server.stdout })[Symbol.asyncIterator]().next()).value;
  assert.match(url, /^http:\/\/127\.0\.0\.1:\d+\/$/);
  context = await launchBrowser(work);
  page = await context.newPage();
  page.on('console', (message) => message.type() === 'error' && consoleErrors.push(message.text()));
  page.on('pageerror', (error) => consoleErrors.push(String(error)));
  await page.goto(url);
  await page.waitForSelector('body[data-generation="1"]');
});

after(async () => {
  await context?.close();
  if (server) {
    const exited = new Promise((resolve) => server.on('exit', (code, signal) => resolve({ code, signal })));
    server.kill('SIGTERM');
    assert.deepEqual(await exited, { code: 0, signal: null }, 'SIGTERM stops the server cleanly');
  }
  fs.rmSync(work, { recursive: true, force: true });
});

// A picture of the rows in the chosen place, or (`context` given) of the row of every place.
const box = (family, scheme = 'light', placeholder = '0', context) =>
  page.locator(`${context ? `#places .widget[data-context="${context}"]` : '#widgets .widget'}` +
    `[data-family="${family}"][data-scheme="${scheme}"][data-placeholder="${placeholder}"]`);
const shownSize = async (locator) => {
  const bounds = await locator.locator('svg').boundingBox();
  return [bounds.width, bounds.height];
};
// Chooses a phone or a place, and waits for the pictures drawn for it.
async function choose(picker, value) {
  await page.selectOption(`#${picker}`, value);
  await page.waitForSelector(`body[data-${picker}="${value}"]`);
}

// Every text the pictures show, whether drawn as text or as glyphs with a label.
const shownText = () => page.evaluate(() => [...document.querySelectorAll('.widget svg')]
  .map((svg) => svg.textContent + [...svg.querySelectorAll('[aria-label]')]
    .map((e) => e.getAttribute('aria-label')).join(' ')).join(' ').replace(/\s/g, ' '));

test('both families show at their sizes, and a tap logs the deep link without leaving', async () => {
  for (const [family, width, height] of [['small', 170, 170], ['medium', 364, 170]]) {
    const bounds = await box(family).locator('svg').boundingBox();
    assert.deepEqual([bounds.width, bounds.height], [width, height], family);
  }
  for (const action of ['add-income', 'add-expense']) {
    await box('medium').locator(`a[href="pocketta://${action}"]`).click();
    await page.waitForFunction((u) => document.getElementById('taps').textContent.includes(u),
      `pocketta://${action}`);
  }
  await box('small').click({ position: { x: 85, y: 85 } });
  await page.waitForFunction(() => document.getElementById('taps').textContent.includes('whole small widget'));
  assert.equal(page.url(), url);
});

test('the page follows the store: renamed over, then deleted', async () => {
  const latencies = [];
  for (let i = 1; i <= 7; i++) {
    const generation = Number(await page.evaluate(() => document.body.dataset.generation));
    const started = Date.now();
    replaceStore(1000 + i);
    await page.waitForFunction((g) => Number(document.body.dataset.generation) > g, generation,
      { timeout: 2000 });
    latencies.push(Date.now() - started);
    assert.match(await shownText(), new RegExp(`1,00${i}`));
  }
  latencies.sort((a, b) => a - b);
  console.log(`store renamed over -> new picture in the page: median ${latencies[3]} ms ` +
    `(of ${latencies.join(', ')})`);
  fs.unlinkSync(store);
  await page.waitForSelector('#store[data-status="missing"]', { timeout: 2000 });
  replaceStore(12840.5);
  await page.waitForSelector('#store[data-status="ok"]', { timeout: 2000 });
});

test('another locale shows in the pictures', async () => {
  await page.selectOption('#locale', 'de_DE');
  await page.waitForSelector('body[data-locale="de_DE"]');
  assert.match(await shownText(), /12\.840,50 CN¥/);
});

// The share of the pixels of a picture on the page that are far from the PNG the server draws
// of it: anti-aliasing and the gradient's steps differ by less; a missing or moved text does not.
async function differenceFromServer(locator, src) {
  const [width, height] = await shownSize(locator);
  // Clear of the sticky header, which a picture scrolled just into view lies under.
  await locator.evaluate((e) => e.scrollIntoView({ block: 'center' }));
  const shot = (await locator.locator('svg').screenshot()).toString('base64');
  return page.evaluate(async ({ shot, src, width, height }) => {
    const load = (source) => new Promise((resolve, reject) => {
      const image = new Image();
      image.onload = () => resolve(image);
      image.onerror = reject;
      image.src = source;
    });
    const pixels = async (source) => {
      const image = await load(source);
      const canvas = new OffscreenCanvas(width, height);
      const g = canvas.getContext('2d');
      g.fillStyle = '#fff';  // the page behind the widget's rounded corners
      g.fillRect(0, 0, width, height);
      g.drawImage(image, 0, 0);
      return g.getImageData(0, 0, width, height).data;
    };
    const a = await pixels(`data:image/png;base64,${shot}`);
    const b = await pixels(src);
    let far = 0;
    for (let i = 0; i < a.length; i += 4) {
      const d = Math.max(...[0, 1, 2].map((c) => Math.abs(a[i + c] - b[i + c])));
      if (d > 64) far++;
    }
    return far / (a.length / 4);
  }, { shot, src, width, height });
}
const assertSame = (difference, what, bound = 0.006) =>
  assert.ok(difference < bound, `${what}: ${(difference * 100).toFixed(2)} % of the pixels differ`);

test('the page shows the picture the server draws', async () => {
  assertSame(await differenceFromServer(box('medium'),
    '/render?family=medium&format=png&scale=1&locale=de_DE'), 'medium');
});

test('the fit matrix flags a balance too long for the small family', async () => {
  const generation = Number(await page.evaluate(() => document.body.dataset.generation));
  replaceStore(123456789012.34);
  await page.waitForFunction((g) => Number(document.body.dataset.generation) > g, generation);
  await page.fill('#fit-locales', 'en_US,de_DE');
  await page.click('#fit');
  await page.waitForSelector('#fit-matrix td[data-family="small"][data-truncated="1"]');
  assert.equal(await page.locator('#fit-matrix td[data-family="medium"][data-truncated="1"]').count(), 0);
});

test('check shows the findings for the pictures on screen and a matrix by rule', async () => {
  // The balance of the test before is cut in the small family: an error on screen.
  await page.waitForFunction(() => document.querySelector('#check-findings tr[data-rule="truncated"]'));
  assert.ok(Number(await page.evaluate(() => document.body.dataset.checkErrors)) > 0);
  await page.fill('#check-locales', 'en_US,de_DE');
  await page.fill('#check-sizes', 'large');
  await page.click('#check-run');
  await page.waitForSelector('#check-matrix td.error');
  // Small: truncated (an error); medium: the quick actions under 44 points (warnings only).
  const cells = await page.locator('#check-matrix tr').nth(1).locator('td').allTextContents();
  assert.match(cells[0], /truncated/);
  assert.match(cells[2], /tap-target/);
  assert.doesNotMatch(cells[2], /truncated/);
});

test('the phone picker draws both families at the phone\'s sizes, in every place', async () => {
  assert.equal(await page.inputValue('#device'), 'iphone-16-plus', 'the preview\'s phone first');
  for (const [device, small, medium] of [['iphone-16', [158, 158], [338, 158]],
                                         ['iphone-se-1st', [141, 141], [292, 141]]]) {
    await choose('device', device);
    for (const scheme of ['light', 'dark']) {
      assert.deepEqual(await shownSize(box('small', scheme)), small, `${device} small ${scheme}`);
      assert.deepEqual(await shownSize(box('medium', scheme)), medium, `${device} medium ${scheme}`);
    }
    assert.deepEqual(await shownSize(box('medium', 'light', '0', 'home-tinted')), medium);
  }
  // StandBy enlarges the small widget to 85 % of the short side of the screen (393 points).
  await choose('device', 'iphone-16');
  for (const context of ['standby', 'standby-night']) {
    assert.deepEqual(await shownSize(box('small', 'light', '0', context)), [334, 334], context);
    assert.equal(await box('medium', 'light', '0', context).count(), 0, `${context} shows no medium`);
  }
});

test('the place picker shows StandBy and the tinted home screen', async () => {
  const gradients = () => page.evaluate(() =>
    document.querySelectorAll('#widgets figure:not([hidden]) svg linearGradient').length);
  assert.ok(await gradients() > 0, 'the home screen draws the container background');

  await choose('context', 'standby');
  assert.equal(await page.locator('#widgets .widget[data-family="medium"]').first().isVisible(), false);
  assert.deepEqual(await shownSize(box('small')), [334, 334]);
  // Every picture draws with its own glyphs and gradient, also beside the hidden medium
  // pictures of the home screen, which define the same ids (a picture drawn without its
  // gradient differs in a third of its pixels). The bound is looser than above: StandBy's
  // enlarged text has more edges, and the store's balance is long by now.
  const locale = await page.evaluate(() => document.body.dataset.locale);
  for (const [family, context] of [['medium', 'home'], ['small', 'standby-night'],
                                   ['medium', 'home-tinted']]) {
    assertSame(await differenceFromServer(box(family, 'light', '0', context),
      `/render?family=${family}&format=png&scale=1&locale=${locale}&device=iphone-16` +
      `&context=${context}`), `${family} ${context}`, 0.02);
  }

  // A tap on StandBy's widget, even on a quick action, opens the app; coordinates in the
  // enlarged picture are the widget's own points.
  const link = await box('small').locator('a[href="pocketta://add-income"]').boundingBox();
  const picture = await box('small').boundingBox();
  await box('small').click({
    position: { x: link.x - picture.x + link.width / 2, y: link.y - picture.y + link.height / 2 } });
  await page.waitForFunction(() => document.getElementById('taps').firstElementChild?.textContent
    .includes('StandBy: in StandBy the whole widget opens the app (the link there, pocketta://add-income'));
  assert.equal(page.url(), url);

  await choose('context', 'home-tinted');
  assert.equal(await box('medium').isVisible(), true);
  assert.equal(await gradients(), 0, 'the tinted home screen draws no container background');
  await choose('context', 'home');
  await choose('device', 'iphone-16-plus');
});

test('no console errors', () => assert.deepEqual(consoleErrors, []));
