// expect: total=29 exec=16 comment=8 blank=5
//! A small parser: doc comments are comments.

use std::collections::HashMap;

/* Block comments nest: /* inner */
   this line is still a comment. */
const RAW: &str = r#"a "raw" string with // and /* inside"#;
const PLAIN: &str = "escaped \" quote // still text";
const LINES: &str = "first line

third line";

/// Keeps the words seen so far.
pub struct Parser<'a> {
    words: HashMap<&'a str, usize>, // lifetimes are not characters
}

impl<'a> Parser<'a> {
    pub fn feed(&mut self, word: &'a str) -> char {
        *self.words.entry(word).or_insert(0) += 1; /* count */
        let quote = '"';
        let slash = '\'';
        if word.is_empty() { quote } else { slash }
    }
}
/*

*/
