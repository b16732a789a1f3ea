#!/usr/bin/env zsh
# Types command lines with Tab into real interactive shells on a pseudo-terminal, each finding
# tolvane's completion only where the installed layout puts it, presses Enter, and reads back the
# arguments that a stub tolvane received: bash without and with bash-completion, zsh on its own
# default fpath, fish on its vendor folders.
#   usage: completion_test.zsh root   (root holds an install with the prefix /usr)
zmodload zsh/zpty
root=${1:A}
home=$(mktemp -d)
trap 'rm -rf $home 2>/dev/null' EXIT  # fish may still be writing there
stub='tolvane() { printf %s%s AR GS; printf "<%s>" "$@"; printf ".\n"; }'

# Each shell: how it starts, and what it is told first (a plain prompt, the stub, where to look).
typeset -A start setup ready
ready=(bash '$ ' bash-completion '$ ' zsh '> ' fish '> ')
start[bash]="bash --norc --noprofile -i"
setup[bash]="PS1='$ '; $stub; source $root/usr/share/bash-completion/completions/tolvane"
start[bash-completion]="bash --norc --noprofile -i"
setup[bash-completion]="PS1='$ '; $stub; XDG_DATA_DIRS=$root/usr/share; \
source /usr/share/bash-completion/bash_completion"
# The same folders as zsh's own fpath below root, ahead of zsh's own: a _tolvane that a package
# installed on this machine would otherwise stand in for the build's.
start[zsh]="zsh -f -i"
setup[zsh]="PS1='> '; $stub; fpath=($root\${^fpath} \$fpath); autoload -Uz compinit; compinit -u -D"
start[fish]="fish -i"
setup[fish]="function fish_prompt; echo '> '; end; \
function tolvane; printf %s%s AR GS; printf '<%s>' \$argv; printf '.\n'; end"

# The lines typed, Tab written as a tab, and the arguments tolvane must receive.
rows=(
  $'--size=12\t'  '<--size=12>'
  $'--number:5\t' '<--number:5>'
  $'x\t'          '<x>'
  $'--si\t12'     '<--size=12>'
  $'-s\t12'       '<-s12>'
  $'--inc\t'      '<--include>'
  $'-s12 --nu\t7' '<-s12><--number=7>'
  $'--upper-case-o\t' '<--upper-case-only>'
  $'--size=\t12'  '<--size=12>'
  $'--number=\t3' '<--number=3>'
  $'--lowercase-o\t' '<--lowercase-only>'
  $'--alphabetic-\t' '<--alphabetic-only>'
  $'--required-nume\t' '<--required-numeric>'
  $'--sequence-\t' '<--sequence-check>'
  $'--vers\t'     '<--version>'
  $'--hel\t'      '<--help>'
)

# Reads what the shell shows until the stub's whole line and then the next prompt have appeared;
# prints the stub's arguments. The stub prints "AR" "GS" as one word, so the echo of what was
# typed never matches. The prompt is drawn once the line editor reads keys one by one: keys typed
# before that would meet the terminal's own line editing.
read_arguments() {
  local shown
  zpty -r $1 shown "*ARGS*."$'\r'"*${ready[$1]}"
  [[ $shown =~ 'ARGS((<[^>]*>)*)\.' ]] && print -r -- $match[1]
}

failures=0
for shell in bash bash-completion zsh fish; do
  if ! command -v ${start[$shell]%% *} >/dev/null ||
    [[ $shell == bash-completion && ! -f /usr/share/bash-completion/bash_completion ]]; then
    print "FAIL: $shell is not installed"
    ((failures++))
    continue
  fi
  zpty -b $shell env -i HOME=$home TERM=xterm PATH=$PATH XDG_DATA_DIRS=$root/usr/share:/usr/share \
    ${=start[$shell]}
  zpty -w $shell "${setup[$shell]}; printf '%s%s<>.\n' AR GS"
  read_arguments $shell >/dev/null
  for typed want in $rows; do
    # Typed ahead in one go: a shell reads the keys in order, completing at the tab before it
    # reads what follows.
    zpty -w -n $shell "tolvane $typed"$'\r'
    got=$(read_arguments $shell)
    if [[ $got == $want ]]; then
      print -r -- "ok: $shell: tolvane ${typed//$'\t'/<Tab>} -> $got"
    else
      print -r -- "FAIL: $shell: tolvane ${typed//$'\t'/<Tab>}: got $got, expected $want"
      ((failures++))
    fi
  done
  zpty -d $shell
done
print "$failures failed"
((failures == 0))
