' expect: total=27 exec=18 comment=5 blank=4
Imports System.Text

''' <summary>An invoice with its lines.</summary>
Public Class Invoice
    Private ReadOnly _lines As New List(Of String)
    Private Const Note As String = "a ""quoted"" word ' not a comment"

    REM A remark is a comment too.
    rem in any case
    Public Sub Add(ByVal text As String)
        _lines.Add(text) ' trailing comment
    End Sub

    Public Function Remove(ByVal index As Integer) As Boolean
        Dim removed As Boolean = index < _lines.Count
        If removed Then _lines.RemoveAt(index)
        Return removed
    End Function

    ' A comment line with a "quote
    Public Function Render() As String
        Dim sb As New StringBuilder()
        For Each l In _lines : sb.AppendLine(l) : Next
        Return sb.ToString()
    End Function
End Class
