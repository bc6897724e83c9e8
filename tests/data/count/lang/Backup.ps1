# expect: total=24 exec=13 comment=8 blank=3
param(
    [string]$Source = "C:\data",   # where the files are
    [string]$Target = '\\backup\share # not a comment'
)

<#
.SYNOPSIS
Copies the files to the backup share.

The blank line above is inside the block comment.
#>
function Copy-Files {
    $note = "it's ""quoted"" # text"
    $here = @"
A here-string: # and <# are text.

"@
    Copy-Item -Path $Source -Destination $Target -Recurse  # trailing
}

# a comment line
Copy-Files
Write-Host 'done # text'
