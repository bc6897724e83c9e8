// expect: total=25 exec=13 comment=7 blank=5
package org.example.store

/**
 * Keeps users in memory.
 * /* A nested comment. */
 * Still inside the outer comment.
 */
class Repository(private val name: String) {
    private val users = mutableMapOf<Int, String>()

    fun describe(): String = "Repository $name // not a comment"

    val template = """
        A raw string: "quotes" and /* markers */ are text.

        Ends here."""

    fun add(id: Int, user: String) {
        users[id] = user // trailing comment
        val quote = '"'
        println("added \"$user\" $quote") /* done */
    }
    // the end
}
