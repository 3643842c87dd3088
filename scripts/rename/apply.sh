#!/usr/bin/env bash
# Applies rename maps to the work tree it is run in: every tracked file whose
# name (up to its first dot) is an old word of a map moves to the new word's
# name (git mv), then every whole old word in the tracked text files becomes
# the new one. Running it again changes nothing.
#
#   scripts/rename/apply.sh [MAP...]     (default: every *.map beside it)
#
# A map line is "word OLD NEW" (every whole word OLD) or "call OLD NEW" (OLD
# only where "(" follows: a call or a declaration, for names that are also
# enumerators or file names); "#" starts a comment. This folder is left alone.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
maps=()
if [ $# -gt 0 ]; then
  for m in "$@"; do maps+=("$(cd "$(dirname "$m")" && pwd)/$(basename "$m")"); done
else
  maps=("$here"/*.map)
fi
cd "$(git rev-parse --show-toplevel)"

git ls-files -z | RENAME_SKIP="${here#"$PWD"/}/" perl -0 -e '
  use strict; use warnings;
  my (%word, %call);
  for my $map (@ARGV) {
    open my $f, "<", $map or die "$map: $!\n";
    local $/ = "\n";
    while (<$f>) {
      s/#.*//;
      my @fields = split;
      next unless @fields;
      die "$map:$.: expected \"word|call OLD NEW\"\n" unless @fields == 3;
      my ($kind, $old, $new) = @fields;
      if ($kind eq "word") { $word{$old} = $new } elsif ($kind eq "call") { $call{$old} = $new }
      else { die "$map:$.: unknown kind \"$kind\"\n" }
    }
  }
  @ARGV = ();
  my $alt = sub { my $h = shift; join "|", map quotemeta, sort { length $b <=> length $a } keys %$h };
  my $wre = %word ? qr/\b(${\ $alt->(\%word)})\b/ : qr/(?!)/;
  my $cre = %call ? qr/\b(${\ $alt->(\%call)})\b(?=\s*\()/ : qr/(?!)/;
  my $skip = $ENV{RENAME_SKIP};
  my @files;
  while (my $path = <STDIN>) { chomp $path; push @files, $path unless index($path, $skip) == 0; }
  # Files named after an old word.
  for my $path (@files) {
    my ($dir, $stem, $rest) = $path =~ m{^(.*/)?([^/.]+)(\..*)?$} or next;
    next unless exists $word{$stem};
    my $to = ($dir // "") . $word{$stem} . ($rest // "");
    system("git", "mv", "--", $path, $to) == 0 or die "git mv $path $to failed\n";
    print "moved $path -> $to\n";
    $path = $to;
  }
  # Whole words in the text files; a file is written only when it changes.
  for my $path (@files) {
    next if -l $path || !-f $path || -B $path;
    open my $in, "<:raw", $path or die "$path: $!\n";
    my $text = do { local $/; <$in> };
    close $in;
    my $was = $text;
    $text =~ s/$wre/$word{$1}/g;
    $text =~ s/$cre/$call{$1}/g;
    next if $text eq $was;
    open my $out, ">:raw", $path or die "$path: $!\n";
    print $out $text;
    close $out or die "$path: $!\n";
    print "changed $path\n";
  }
' "${maps[@]}"
