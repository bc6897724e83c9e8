// expect: total=24 exec=14 comment=6 blank=4
package example.web

/* Routes of the service.
 * /* A nested comment: Scala nests them. */

 * Still a comment. */
object Routes {
  val root = "/"
  val comment = "// not a comment"
  val query = """SELECT * FROM users
    WHERE name = "bob" -- not ours either

  """
  val tick = '"'

  def greet(name: String): String =
    s"Hello, $name /* still a string */" // trailing

  // a comment line
  def main(args: Array[String]): Unit = {
    println(greet("world"))
  }
}
