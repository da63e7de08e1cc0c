// Debian's chromium, driven by playwright-core, as both browser tests start it. Importing this
// module ends the process with 77 (skipped, for ctest) where either is missing.
import fs from 'node:fs';
import path from 'node:path';

const CHROMIUM = '/usr/bin/chromium';
let chromium;
try {
  ({ chromium } = await import('playwright-core'));
} catch {
  console.log('skipped: playwright-core is not installed (npm ci in tests/browser)');
  process.exit(77);
}
if (!fs.existsSync(CHROMIUM)) {
  console.log(`skipped: no ${CHROMIUM}`);
  process.exit(77);
}

// A headless browser with a profile of its own in `folder`, that reaches for nothing on its own.
export function launchBrowser(folder) {
  return chromium.launchPersistentContext(path.join(folder, 'profile'), {
    executablePath: CHROMIUM, headless: true, viewport: { width: 1400, height: 1000 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}
