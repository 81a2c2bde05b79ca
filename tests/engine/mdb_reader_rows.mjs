// Prints every value of every user table of an Access file as mdb-reader reads it, one line per
// value: table, row (from 0), column and value, tab-separated, the names in hexadecimal UTF-8.
// Values: "N" null, "B0"/"B1", "I<integer>", "R<number>", "C<decimal text>", "D<ms since 1970>",
// "E<extended date text>", "T<hex of UTF-8 text>", "X<hex bytes>", "G<guid>",
// "A<hex of name/type/data of each attachment>", "?" when mdb-reader cannot read the column.
// Usage: MDB_READER=/path/to/mdb-reader/lib/node/index.js node mdb_reader_rows.mjs FILE
import { readFileSync } from "node:fs";

const { default: MDBReader } = await import(process.env.MDB_READER);
const hex = (s) => Buffer.from(s, "utf8").toString("hex");
const reader = new MDBReader(readFileSync(process.argv[2]), { password: process.env.MDB_PASSWORD || undefined });

function encode(type, v) {
  if (v === null || v === undefined) return "N";
  switch (type) {
    case "boolean": return v ? "B1" : "B0";
    case "byte": case "integer": case "long": case "bigint": return "I" + v.toString();
    case "float": case "double": return "R" + String(v);
    case "currency": case "numeric": return "C" + v;
    case "datetime": return "D" + v.getTime();
    case "datetimextended": return "E" + v;
    case "text": case "memo": return "T" + hex(v);
    case "binary": case "ole": return "X" + Buffer.from(v).toString("hex");
    case "repid": return "G" + v;
    case "complex":
      return "A" + v.map((a) => [hex(a.name ?? ""), hex(a.type ?? ""), Buffer.from(a.data).toString("hex")].join(".")).join(",");
    default: return "?";
  }
}

const out = [];
for (const name of reader.getTableNames({ normalTables: true, systemTables: false, linkedTables: false })) {
  const table = reader.getTable(name);
  out.push(["table", hex(name), table.rowCount].join("\t"));
  for (const column of table.getColumns()) {
    let rows;
    try {
      rows = table.getData({ columns: [column.name] });
    } catch {
      out.push(["column", hex(name), "?", hex(column.name)].join("\t"));
      continue;
    }
    out.push(["column", hex(name), "ok", hex(column.name)].join("\t"));
    rows.forEach((row, i) => {
      out.push(["value", hex(name), i, hex(column.name), encode(column.type, row[column.name])].join("\t"));
    });
  }
}
process.stdout.write(out.join("\n") + "\n");
