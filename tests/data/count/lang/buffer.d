// expect: total=27 exec=14 comment=8 blank=5
module util.buffer;

import std.stdio;

/+ Nesting comments:
   /+ an inner one +/
   still in the outer one. +/

/**
 * A growing buffer.

 */
struct Buffer
{
    char[] data;
    enum path = r"C:\temp\// not a comment";
    enum note = `a "wysiwyg" string /* text */`;

    void put(char c) { data ~= c; } // trailing comment
    void quote() { put('"'); put('\''); } /* done */
}

void main()
{
    writeln("hello \"world\" // text");
}
