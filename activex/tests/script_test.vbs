' A script host using the control late-bound, as VBScript and VBA code does.
' Usage: cscript //nologo script_test.vbs <output directory>
' Prints one line per check and "RESULT: PASS" or "RESULT: FAIL" as its last line.
Option Explicit

Dim failures, outDir
failures = 0
outDir = WScript.Arguments(0)

Sub Check(ok, what)
  If ok Then
    WScript.Echo "ok   " & what
  Else
    WScript.Echo "FAIL " & what
    failures = failures + 1
  End If
End Sub

Dim bc
Set bc = CreateObject("activeBrevixBarCodeX.BrevixBarCode")
Check Not bc Is Nothing, "created by ProgID"

Check bc.Text = "0123", "default text"
Check bc.TypeBar = 0, "default symbology"
Check bc.Display = 1, "default caption mode"
' OLE_COLOR arrives as an unsigned 32-bit value: convert before comparing.
Check CLng(bc.Color_Back) = 16777215, "default background"
Check bc.Transparent = False, "not transparent"
Check InStr(bc.Version, "4.00") > 0, "version banner"

bc.TypeBar = 22
Check bc.Text = "9771210107001", "EAN-13 sample text"
Check bc.TypeBarName = "csCodeEAN13", "type name"

bc.TypeBar = 7
bc.Text = "ABx"
bc.DrawToFile outDir & "\script_bad.bmp"
Check bc.ErrorMessage = "Unvailable char for this type of barcode.(3.char - x)", "error message: " & bc.ErrorMessage
Check bc.Error = 3, "error position"

bc.Text = "SCRIPT"
bc.Angle = 0
bc.Display = 3
bc.Color_Lines = RGB(0, 0, 128)

' The PDF417 character check fails the call; the message reaches Err.Description.
bc.TypeBar = 11
bc.Text = "A" & Chr(1) & "B"
Dim w
On Error Resume Next
w = bc.MinWidth
Dim number, description
number = Err.Number
description = Err.Description
Err.Clear
On Error Goto 0
Check number <> 0, "MinWidth fails"
Check description = "Bad char in PDF417, position 2, char : " & Chr(1), "Err.Description: " & description

' The object stays usable.
bc.Text = "SCRIPT-128"
w = bc.MinWidth
Check w > 0, "MinWidth after the error"
bc.DrawToFile outDir & "\script.png"
Check bc.ErrorMessage = "Correct", "drawn without error"

Dim fso
Set fso = CreateObject("Scripting.FileSystemObject")
Check fso.FileExists(outDir & "\script.png"), "PNG written"

' Objects are assigned with Set: a put by reference.
Dim f
Set f = bc.Font_Type
Set bc.Font_Code = f
Check bc.Font_Code.Name = f.Name, "Set Font_Code"

' No container sizes a scripted control: Width and Height do.
bc.Angle = 1
bc.Width = 120
bc.Height = 300
Check bc.Width = 120 And bc.Height = 300, "size " & bc.Width & " x " & bc.Height
bc.DrawToFile outDir & "\script_vertical.png"
Check bc.ErrorMessage = "Correct", "vertical symbol drawn: " & bc.ErrorMessage

' Refused values fail with a message and change nothing.
On Error Resume Next
bc.TypeBar = 99
number = Err.Number
description = Err.Description
Err.Clear
On Error Goto 0
Check number <> 0 And InStr(description, "TypeBar must be 0 to 35") > 0, "TypeBar 99: " & description
Check bc.TypeBar = 11, "TypeBar kept"

If failures = 0 Then
  WScript.Echo "RESULT: PASS"
Else
  WScript.Echo "RESULT: FAIL (" & failures & ")"
End If
