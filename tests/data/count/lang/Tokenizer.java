// expect: total=26 exec=13 comment=8 blank=5 set: CLexer=1
package org.example.lex;

import java.util.List;

/**
 * Splits source text into words.

 * The blank line above is a comment line.
 */
public final class Tokenizer {
    private static final String OPEN = "/*";   // a marker in a string
    private static final char QUOTE = '"';
    private static final String BLOCK = """
        A text block: "quotes" and // markers are text.

        """;

    /* a comment with a "quote */
    public List<String> split(String text) {
        String escaped = "a \"quoted\" // word"; /* trailing */
        return List.of(text.split("\\s+"), escaped);
    }

    // the end
}
