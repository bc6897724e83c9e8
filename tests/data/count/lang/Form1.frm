VERSION 5.00
Begin VB.Form Form1
   Caption         =   "Orders"
   ClientHeight    =   3195
   ClientLeft      =   60
   ClientTop       =   345
   ClientWidth     =   4680
   LinkTopic       =   "Form1"
   ScaleHeight     =   3195
   ScaleWidth      =   4680
   StartUpPosition =   3  'Windows Default
   Begin VB.CommandButton cmdOk
      Caption         =   "OK"
      Height          =   375
      Left            =   1680
      TabIndex        =   0
      Top             =   2640
      Width           =   1215
   End
End
Attribute VB_Name = "Form1"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = False
Attribute VB_PredeclaredId = True
Attribute VB_Exposed = False
Option Explicit

' Closes the form when OK is pressed.
Private Sub cmdOk_Click()
    Unload Me ' trailing comment
End Sub

Private Sub Form_Load()
    Me.Caption = "Orders 'today'"

    REM a remark line
End Sub
