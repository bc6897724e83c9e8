// expect: total=32 exec=22 comment=7 blank=3
using System;
using System.Collections.Generic;

namespace Shop.Orders
{
    /// <summary>
    /// Places orders: a "quote" in a doc comment.
    /// </summary>
    public sealed class OrderService
    {
        private const string Path = @"C:\orders\""daily""\// not a comment";
        private const string Url = "http://example.org/orders"; // text, then a comment
        private static readonly string Query = @"SELECT *
            FROM orders /* text */

            WHERE id = @id";
        private const string Raw = """
            A raw string: "quoted" // text
            """;

        /* A block comment.

           It spans lines. */
        public string Describe(int id, string name)
        {
            char quote = '"';
            var text = $"order {id}: \"{name}\" // {quote}";
            return text + $@"\{id}"; /* done */
        }
    }
}
