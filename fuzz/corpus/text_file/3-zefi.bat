3@ECHO OFF
REM ZEFI pro Windows 6.2 - DVD 2026/02
START C:\ZEFI\Zefiwin.exe -fC:\ZEFI\zefi6.cfg
