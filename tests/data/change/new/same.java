/** doc */
class Same {}
