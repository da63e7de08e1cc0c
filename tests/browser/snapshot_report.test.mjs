// The report of a failing `snapshot verify`, opened from the disk in Debian's chromium as a
// reviewer opens it: failures first, their pictures there, flipping between expected and actual,
// and nothing fetched from anywhere. Run by ctest; exits 77 (skipped) without the browser or
// playwright-core.
import { test, after, before } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { launchBrowser } from './browser.mjs';

const executable = process.env.POCKETTA_WIDGET;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'snapshot-report-'));
const shots = path.join(work, 'shots');
const host = (...args) => spawnSync(executable,
  [...args, '--containers', process.env.POCKETTA_SAMPLES, '--locale', 'en_US'], { encoding: 'utf8' });

let context;
let page;
const requests = [];
const consoleErrors = [];

before(async () => {
  const recorded = host('snapshot', 'record', shots, '--devices', 'iphone-se', '--locales',
    'en_US,de_DE,fr_FR', '--scale', '1');
  assert.equal(recorded.status, 0, recorded.stderr);
  // German drawn as French: its two cells differ; one golden gone.
  for (const family of ['small', 'medium']) {
    fs.copyFileSync(path.join(shots, `iphone-se.${family}.home.light.fr_FR.large.current.png`),
      path.join(shots, `iphone-se.${family}.home.light.de_DE.large.current.png`));
  }
  fs.unlinkSync(path.join(shots, 'iphone-se.small.home.light.en_US.large.current.png'));
  const verified = host('snapshot', 'verify', shots);
  assert.equal(verified.status, 1, verified.stdout + verified.stderr);

  context = await launchBrowser(work);
  page = await context.newPage();
  page.on('request', (request) => requests.push(request.url()));
  page.on('console', (message) => message.type() === 'error' && consoleErrors.push(message.text()));
  page.on('pageerror', (error) => consoleErrors.push(String(error)));
  await page.goto(pathToFileURL(path.join(shots, 'report', 'index.html')).href);
});

after(async () => {
  await context?.close();
  fs.rmSync(work, { recursive: true, force: true });
});

test('the failures come first, grouped, before the cells that match', async () => {
  assert.match(await page.title(), /3 of 6 cells fail/);
  const order = await page.evaluate(() => [...document.querySelectorAll('main > section')]
    .map((s) => s.classList.contains('passed') ? 'passed' : s.querySelector('h2').textContent));
  assert.deepEqual(order, ['Pixels differ: locale de_DE (2 cells)', 'Golden missing (1 cell)', 'passed']);
  const failing = await page.evaluate(() => [...document.querySelectorAll('article.failed')]
    .map((a) => a.dataset.id));
  assert.deepEqual(failing, ['iphone-se.small.home.light.de_DE.large.current',
    'iphone-se.medium.home.light.de_DE.large.current',
    'iphone-se.small.home.light.en_US.large.current']);
});

test('every picture loads, expected, actual and diff side by side', async () => {
  const images = await page.evaluate(() => Promise.all([...document.querySelectorAll('article img')]
    .map((image) => image.decode().then(() => [image.alt, image.naturalWidth], () => [image.alt, 0]))));
  assert.equal(images.length, 2 * 4 + 1);
  for (const [alt, width] of images) assert.ok(width > 0, `${alt} did not load`);
  const first = page.locator('article.failed').first();
  const boxes = [];
  for (const which of ['expected', 'actual', 'diff']) {
    boxes.push(await first.locator(`figure.${which} img`).boundingBox());
  }
  assert.ok(boxes[0].x < boxes[1].x && boxes[1].x < boxes[2].x, 'side by side, in that order');
  assert.equal(boxes[0].y, boxes[2].y);
});

test('flipping shows the actual picture in place of the expected one, and back', async () => {
  const flip = page.locator('article.failed').first().locator('figure.flip');
  const shown = () => flip.locator('img').evaluate((image) => image.currentSrc);
  assert.match(await shown(), /de_DE\.large\.current\.expected\.png$/);
  await flip.locator('button').click();
  assert.equal(await flip.getAttribute('data-showing'), 'actual');
  assert.match(await shown(), /de_DE\.large\.current\.actual\.png$/);
  await flip.locator('img').click();
  assert.equal(await flip.getAttribute('data-showing'), 'expected');
  // The key f flips every failure at once.
  await page.keyboard.press('f');
  assert.deepEqual(await page.evaluate(() => [...document.querySelectorAll('figure.flip')]
    .map((f) => f.dataset.showing)), ['actual', 'actual']);
});

test('nothing is fetched but the report\'s own files, and nothing fails', () => {
  for (const url of requests) assert.match(url, /^file:\/\//, url);
  assert.deepEqual(consoleErrors, []);
});
