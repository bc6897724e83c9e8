// expect: total=25 exec=14 comment=7 blank=4
import Foundation

/* A profile of a user.
   /* Swift nests block comments. */

   Still a comment here. */
struct Profile {
    let name: String
    let url = "https://example.org/users" // the // inside is text
    let raw = #"A raw "string" with \n kept"#
    let text = """
        A multi-line string: "quoted" and /* not a comment */

        """

    /// The greeting shown on the page.
    func greeting() -> String {
        return "Hello, \(name)! \"// still text\"" /* trailing */
    }
}

// a comment only
let p = Profile(name: "Ann")
print(p.greeting())
