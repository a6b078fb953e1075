#pragma once

// RTF as word processors write it, for the reading and round-trip tests.

namespace rtf_samples {

// A document with both tables, nested formatting groups and destinations to
// skip, the way a desktop editor saves it.
inline constexpr const char* kFormatted =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033"
    "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
    "{\\f1\\froman\\fprq2{\\*\\panose 02020603050405020304}Times New Roman;}}\r\n"
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}\r\n"
    "{\\*\\generator Editor 5.1;}\\viewkind4\\uc1\\pard\\lang1031\\f0\\fs20 "
    "Plain {\\b bold {\\i both}} \\ul under\\ulnone  \\cf1\\f1\\fs32 red\\par\r\n"
    "\\plain after\\par\r\n}\r\n";

}  // namespace rtf_samples
