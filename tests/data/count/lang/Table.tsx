// expect: total=26 exec=18 comment=6 blank=2
import React from "react";

interface Row {
  id: number;
  label: string; // shown as is
}

/**
 * A table of rows.

 */
export function Table({ rows }: { rows: Row[] }): JSX.Element {
  const caption = `Rows: ${rows.length} /* text */`;
  return (
    <table>
      <caption>{caption}</caption>
      {rows.map((r) => (
        <tr key={r.id}>
          <td>{r.label}</td> {/* inline */}
        </tr>
      ))}
    </table>
  );
}
// the end
