#!/bin/sh
# git's text view of a Windows-1251 golden file (a tool's log, a machine file):
# UTF-8, with every CR shown as ␍ so that a lost or doubled CR is seen in review.
exec perl -MEncode -ne 'my $t = decode("cp1251", $_); $t =~ s/\r/\x{240D}/g; print encode("UTF-8", $t);' "$1"
