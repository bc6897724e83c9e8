// expect: total=13 exec=6 comment=5 blank=2
/**
 * 日本語のコメント：文字列の中の「/*」はコメントではない
 */
public class Hello {

    // 挨拶する
    public static void main(String[] args) {
        String s = "こんにちは /* 文字列 */";
        System.out.println(s);
    }

}
