# expect: total=26 exec=14 comment=7 blank=5
use strict;
use warnings;

my @rows = (3, 5, 8);
my $last = $#rows;   # $# is no comment, this one is
my $text = "a # in a string";
my $q = 'it\'s # still text';

=pod

Prints a report of the rows. "Quotes" here are POD text.

=cut

# Sums the rows.
sub total {
    my $sum = 0;
    $sum += $_ for @_;
    return $sum;
}

print "rows: $last, total: ", total(@rows), "\n";# glued comment
my $multi = "first line

third line";
