<?php // expect: total=25 exec=15 comment=7 blank=3
declare(strict_types=1);

/**
 * The front page.

 * @param string $name a "quoted" name
 */
function greet(string $name): string
{
    # a hash comment
    $url = "http://example.org/#anchor"; // a comment after code
    $sql = 'SELECT * FROM users -- it\'s text
            WHERE name = ?';
    return "Hello, {$name} /* not a comment */";
}

// a line comment
$names = ['Ann', 'Bob'];

foreach ($names as $name) {
    echo greet($name), "\n"; /* trailing */
}
?>
<p>Done.</p>
