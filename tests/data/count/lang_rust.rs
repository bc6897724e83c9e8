// expect: total=16 exec=7 comment=8 blank=1
/* outer /* nested */ still a comment
   */
fn main<'a>(s: &'a str) {
    let c = '"'; // a quote char opens no string
    let r = r#"raw "/* not a comment */"
    ends here"#;

    let q = '\'';
    /* a
    /* b */

    c */
    println!("{}", "// no comment");
}
//! done
