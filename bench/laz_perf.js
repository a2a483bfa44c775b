// A full decode of LAZ files by npm's laz-perf, the outside reference of laz_bench.sh:
// NODE_PATH=DIR/node_modules node laz_perf.js FILE.laz... prints points, decode seconds and
// the count of first returns (a sign that every point was decoded).
const fs = require('fs');
const { createLazPerf } = require('laz-perf');

(async () => {
    const lp = await createLazPerf();
    for (const path of process.argv.slice(2)) {
        const file = fs.readFileSync(path);
        const data = lp._malloc(file.length);
        lp.HEAPU8.set(file, data);
        const t0 = process.hrtime.bigint();
        const laz = new lp.LASZip();
        laz.open(data, file.length);
        const count = laz.getCount(), size = laz.getPointLength();
        const point = lp._malloc(size);
        const returnMask = laz.getPointFormat() >= 6 ? 0x0f : 0x07;
        let first = 0;
        for (let i = 0; i < count; ++i) {
            laz.getPoint(point);
            if ((lp.HEAPU8[point + 14] & returnMask) === 1) ++first;
        }
        const seconds = Number(process.hrtime.bigint() - t0) / 1e9;
        console.log(`${path} ${count} ${seconds.toFixed(3)} ${first}`);
        laz.delete();
        lp._free(point);
        lp._free(data);
    }
})();
