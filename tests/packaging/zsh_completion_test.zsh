#!/usr/bin/env zsh
# Drives the zsh completion in a real interactive zsh on a pseudo-terminal: a number belongs in
# the same word as its option, so after "-s " or "--size " zsh must go on to the next option
# rather than ask for the number.
#   usage: zsh_completion_test.zsh folder-holding-_tolvane
zmodload zsh/zpty
zpty -b shell zsh -f -i
zpty -w shell "PS1='> '; fpath=($1 \$fpath); autoload -Uz compinit; compinit -u -D"
# Each wait ends on what the terminal shows: a marker the shell prints (typed as EN''D, so its
# echo never matches), then the prompt, drawn once the line editor reads keys one by one. Keys
# typed before that would meet the terminal's own line editing, where Ctrl-U erases the line.
zpty -w shell "zstyle ':completion:*' format '[%d]'; print -r -- EN''D"
zpty -r shell chunk "*END"$'\r*> '

# Types the line and a tab, then clears it and prints the marker; prints what the terminal showed
# until the marker, escape sequences removed.
complete_line() {
  local shown
  zpty -w -n shell "$1"$'\t\C-u'"print -r -- EN''D"$'\r'
  zpty -r shell shown "*END"$'\r*> '
  print -r -- "${shown//$'\e'\[[0-9;?]#[a-zA-Z]/}"
}

# Each line typed, and what the terminal must show after the tab: no message asking for a number.
failures=0
for line want in "tolvane -s " "tolvane -s -" "tolvane -n " "tolvane -n -" \
  "tolvane --size " "tolvane --size -" "tolvane --number " "tolvane --number -" \
  "tolvane -s12 --uppercase-o" "tolvane -s12 --uppercase-only"; do
  shown=$(complete_line "$line")
  if [[ $shown == *"$want"* && $shown != *"[length"* && $shown != *"[count"* ]]; then
    print "ok: '$line' -> '$want'"
  else
    print "FAIL: '$line': expected '$want', the terminal showed: ${(q)shown}"
    failures=$((failures + 1))
  fi
done
zpty -d shell
print "$failures failed"
(( failures == 0 ))
