// expect: total=24 exec=14 comment=5 blank=5
import 'package:flutter/material.dart';

/* Dart nests block comments:
   /* inner */
   still in the outer comment. */

/// A greeting widget.
class Greeting extends StatelessWidget {
  const Greeting({super.key, required this.name});

  final String name;
  static const path = r'C:\temp\// not a comment';
  static const help = '''
A multi-line string: "quotes" and /* markers */ are text.

''';

  @override
  Widget build(BuildContext context) {
    final text = 'Hello, $name \'// still text\''; // trailing
    return Text(text); /* done */
  }
}
