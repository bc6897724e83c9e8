# expect: total=21 exec=14 comment=3 blank=4
# Settings of the interactive shell.
set -gx EDITOR vim   # the editor
set -gx SHOP_URL "https://example.org/#top"
set -g note 'it\'s # not a comment'

if status is-interactive
    # a comment inside a block
    abbr -a gco 'git checkout'
end

function greet --description 'Says hello'
    set -l name $argv[1]
    echo "hello, $name # still text"
    echo count: (count $argv);# a comment after ;
end

set -g multi "first line

third line"
greet world
