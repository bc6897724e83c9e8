// expect: total=27 exec=16 comment=7 blank=4
// Package server serves a small greeting.
package server

import (
	"fmt"
	"net/http"
)

/*
A block comment with a `backtick` and a "quote".

*/
const banner = `raw string: // not a comment
/* still raw */

end of raw`

// Handle writes the greeting.
func Handle(w http.ResponseWriter, r *http.Request) {
	name := r.URL.Query().Get("name") // trailing comment
	if name == "" {
		name = "/* anonymous */"
	}
	quote := '"'
	fmt.Fprintf(w, "hello, %s %c\n", name, quote) /* done */
}
