// expect: total=24 exec=15 comment=6 blank=3
package ci

/*
 * Pipeline helpers: a "quote" in a comment.

 */
class Build {
    static final String URL = "https://ci.example.org/job" // text, then a comment
    static final String TEMPLATE = """
        Build ${'$'}name: "done" // still in the string

    """
    static final String SINGLE = '''one
two /* text */'''
    static final String DOLLAR = $/a dollar-slashy "string" // text/$

    def run(String name) {
        def msg = 'single \'quoted\' // text' /* trailing */
        println msg
        // a comment line
        return name
    }
}
