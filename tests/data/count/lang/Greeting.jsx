// expect: total=23 exec=13 comment=8 blank=2
import React from 'react';

/* A greeting card.
   Its "title" is optional. */
export function Greeting({ name, title = "Hello" }) {
  const url = "https://example.org/users/" + name; // a comment after code
  return (
    <div className="greeting">
      {/* a comment inside JSX */}
      <h1>{title}, {name}</h1>
      <a href={url}>profile // not a comment</a>
      <p>{"// text in a string"}</p>
    </div>
  );
}

/*
  Blank lines inside a comment:

*/
// a comment line
export default Greeting;
