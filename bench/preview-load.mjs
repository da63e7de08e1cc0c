#!/usr/bin/env node
// Load on the preview server, bounded and on 127.0.0.1 only: opens N pages (default 50) the way
// the page does (the page, the timeline, six pictures, one event stream held open), renames a
// new store over the old and checks that every stream got the new timeline, measures the
// server's idle CPU, threads, descriptors and memory, then closes every page and checks that
// nothing stays behind. Prints one table; exits 1 if a check fails.
//
//   node bench/preview-load.mjs [--pages N] [--exe build/default/extension/pocketta-widget]
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';

const option = (name, fallback) => {
  const i = process.argv.indexOf(name);
  return i > 0 ? process.argv[i + 1] : fallback;
};
const pages = Math.min(Number(option('--pages', 50)), 200);
const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..');
const exe = option('--exe', path.join(root, 'build/default/extension/pocketta-widget'));
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'preview-load-'));
fs.cpSync(path.join(root, 'samples/group-containers'), work, { recursive: true });
const suite = 'group.pocketta.shared';
const store = path.join(work, suite, 'Library/Preferences', `${suite}.plist`);

const server = spawn(exe, ['preview', '--containers', work], { stdio: ['ignore', 'pipe', 'ignore'] });
const url = new URL((await readline.createInterface({ input: server.stdout })[Symbol.asyncIterator]().next()).value);
if (url.hostname !== '127.0.0.1') throw new Error(`not on 127.0.0.1: ${url}`);
// The preview executable the command became.
const pid = server.pid;

const proc = () => {
  const status = fs.readFileSync(`/proc/${pid}/status`, 'utf8');
  const field = (name) => Number(status.match(new RegExp(`${name}:\\s+(\\d+)`))[1]);
  const stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
  return {
    threads: field('Threads'), rssMiB: field('VmRSS') / 1024,
    fds: fs.readdirSync(`/proc/${pid}/fd`).length,
    cpuTicks: Number(stat[11]) + Number(stat[12]),
  };
};

const agent = new http.Agent({ keepAlive: true, maxSockets: 6 });
const get = (pathname) => new Promise((resolve, reject) => {
  http.get(new URL(pathname, url), { agent }, (response) => {
    response.resume();
    response.on('end', () => (response.statusCode === 200 ? resolve() : reject(new Error(`${pathname}: ${response.statusCode}`))));
  }).on('error', reject);
});

// One page: its requests, then its event stream, which counts the timelines it is sent.
async function openPage() {
  await get('/');
  await get('/api/timeline');
  await Promise.all(['small', 'medium'].flatMap((family) => ['light', 'dark'].map((scheme) =>
    get(`/render?family=${family}&scheme=${scheme}&format=svg`))));
  await Promise.all(['small', 'medium'].map((family) => get(`/render?family=${family}&format=svg&placeholder=1`)));
  return new Promise((resolve, reject) => {
    const request = http.get(new URL('/events', url), (response) => {
      if (response.statusCode !== 200) return reject(new Error(`/events: ${response.statusCode}`));
      const page = { request, timelines: 0 };
      response.setEncoding('utf8');
      response.on('data', (chunk) => { page.timelines += chunk.split('event: timeline').length - 1; });
      response.on('error', () => {});
      resolve(page);
    });
    request.on('error', reject);
  });
}

const rows = [];
const failures = [];
const measure = (what, extra = {}) => rows.push({ what, ...proc(), ...extra });

await sleep(300);
measure('started, no page');
const opened = [];
const started = Date.now();
for (let i = 0; i < pages; i++) opened.push(openPage());
const streams = await Promise.all(opened);
measure(`${pages} pages open`, { ms: Date.now() - started });

// Idle: after the pages' keep-alive connections have closed (2 s), for 20 s.
await sleep(3000);
const before = proc().cpuTicks;
await sleep(20000);
const idleTicks = proc().cpuTicks - before;
measure(`${pages} pages, 20 s idle`, { idleCpuMs: idleTicks * 10 });

fs.writeFileSync(`${store}.new`, fs.readFileSync(store));
fs.renameSync(`${store}.new`, store);
await sleep(1500);
const missed = streams.filter((s) => s.timelines < 2).length;
if (missed) failures.push(`${missed} of ${pages} pages did not get the new timeline`);
measure('store renamed over', { pagesUpdated: pages - missed });

for (const s of streams) s.request.destroy();
agent.destroy();
// A page that went away is noticed at the next write (at most 15 s), and an idle thread ends
// after 10 s.
await sleep(27000);
measure('every page closed, 27 s later');
const [first, , , , last] = rows;
if (last.threads > first.threads + 2) failures.push(`threads: ${first.threads} at start, ${last.threads} after`);
if (last.fds > first.fds) failures.push(`descriptors: ${first.fds} at start, ${last.fds} after`);

server.kill('SIGTERM');
const status = await new Promise((resolve) => server.on('exit', (code, signal) => resolve(code ?? signal)));
if (status !== 0) failures.push(`the server ended with ${status} on SIGTERM`);
fs.rmSync(work, { recursive: true, force: true });
console.table(rows.map(({ cpuTicks, ...row }) => ({ ...row, rssMiB: row.rssMiB.toFixed(1) })));
for (const failure of failures) console.error(`FAILED: ${failure}`);
process.exit(failures.length ? 1 : 0);
