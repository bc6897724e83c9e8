// expect: total=16 exec=7 comment=8 blank=1
/* a block comment
   with "a quote" that opens nothing

   and a blank line */
const url = "http://example.com"; // the // inside the string is no comment
const re = '/* not a comment */';
const t = `a template
/* still the template */
`;

/** the last */ let x = 1;
/*
*/ let y = 2;
// the end
/* one line */
