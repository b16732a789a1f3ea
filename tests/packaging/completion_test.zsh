#!/usr/bin/env zsh
# Types command lines with Tab into real interactive shells on a pseudo-terminal, each finding
# tolvane's completion only where the installed layout puts it, presses Enter, and reads back the
# arguments that a stub tolvane received: bash without and with bash-completion, zsh on its own
# default fpath, fish on its vendor folders, and zsh after the README's install below a home.
#   usage: completion_test.zsh root [cmake build]
#   (cmake installs build below root, with the prefix /usr, as the packages install it: of the one
#   component, which writes its own manifest and record, so that a user's own install's, which
#   the uninstall target reads, are left as they were; without cmake, root already holds such an
#   install, as / does for an installed package, and the home install is not tried)
zmodload zsh/zpty
root=${1:A}
home=$(mktemp -d)
trap 'rm -rf $home 2>/dev/null' EXIT  # fish may still be writing there
# The README's install below a user's home, apart from the home of the other shells (bash and
# fish would find it there too), and the lines the README gives for ~/.zshrc.
user=$home/user
mkdir $user
[[ -z $2 ]] || { rm -rf $root &&
  DESTDIR=$root $2 --install $3 --prefix /usr --component Unspecified &&
  env -u DESTDIR $2 --install $3 --strip --prefix $user/.local --component Unspecified
} >/dev/null || { print "FAIL: cmake --install $3 below $root or $user/.local"; exit 1 }
print -r -- 'fpath=(~/.local/share/zsh/site-functions $fpath)
autoload -Uz compinit && compinit' >$user/.zshrc
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
# Started as a user's zsh is, reading the system's start-up files and the user's ~/.zshrc.
ready[zsh-home]='> '
start[zsh-home]="env HOME=$user zsh -i"
setup[zsh-home]="PS1='> '; $stub"

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

# Rows for one shell alone, typed after the rows above (zsh-home types these alone): the shell,
# the line, the arguments, and a pattern for what the terminal showed, the arguments included.
own_rows=(
  # The function that answered is the build's, not one that a package put on this machine.
  zsh '${functions_source[_tolvane]}' "<$root/usr/share/zsh/vendor-completions/_tolvane>" '*'
  # The same after the home install and the README's lines in ~/.zshrc.
  zsh-home $'--si\t12 ${functions_source[_tolvane]}'
  "<--size=12><$user/.local/share/zsh/site-functions/_tolvane>" '*'
  # After a lone "-", fish lists the long names that take a number beside their letters, as it
  # lists the others; the line is then cleared.
  fish $'-\t\C-utolvane' '<>' '*-n  --number=*-s  --size=*'
)

# Reads what the shell shows until the stub's whole line and then the next prompt have appeared,
# into shown, without the escape sequences that colour and move (fish underlines the part of a
# name that was typed); the stub's arguments into got. The stub prints "AR" "GS" as one word, so
# the echo of what was typed never matches. The prompt is drawn once the line editor reads keys
# one by one: keys typed before that would meet the terminal's own line editing.
read_arguments() {
  setopt localoptions extendedglob
  got=
  zpty -r $1 shown "*ARGS*."$'\r'"*${ready[$1]}"
  shown=${shown//$'\e'[\[\(][0-9;?]#[a-zA-Z]/}
  [[ $shown =~ 'ARGS((<[^>]*>)*)\.' ]] && got=$match[1]
}

failures=0
for shell in bash bash-completion zsh fish ${2:+zsh-home}; do
  if ! command -v ${start[$shell]%% *} >/dev/null ||
    [[ $shell == bash-completion && ! -f /usr/share/bash-completion/bash_completion ]]; then
    print "FAIL: $shell is not installed"
    ((failures++))
    continue
  fi
  # Started by exec: the zsh that zpty forks would otherwise run this script's EXIT trap when the
  # shell ends, and take the home away from the shells after it.
  zpty -b $shell exec env -i HOME=$home TERM=xterm PATH=$PATH \
    XDG_DATA_DIRS=$root/usr/share:/usr/share ${=start[$shell]}
  zpty -w $shell "${setup[$shell]}; printf '%s%s<>.\n' AR GS"
  read_arguments $shell
  table=()
  [[ $shell == zsh-home ]] || for typed want in "${rows[@]}"; do table+=("$typed" "$want" '*'); done
  for own typed want pattern in "${own_rows[@]}"; do
    [[ $own == $shell ]] && table+=("$typed" "$want" "$pattern")
  done
  for typed want pattern in "${table[@]}"; do
    # Typed ahead in one go: a shell reads the keys in order, completing at the tab before it
    # reads what follows.
    zpty -w -n $shell "tolvane $typed"$'\r'
    read_arguments $shell
    typed=${${typed//$'\t'/<Tab>}//$'\C-u'/<Ctrl-U>}
    if [[ $got == $want && $shown == $~pattern ]]; then
      print -r -- "ok: $shell: tolvane $typed -> $got"
    elif [[ $got == $want ]]; then
      print -r -- "FAIL: $shell: tolvane $typed: the terminal showed ${(q)shown}, not $pattern"
      ((failures++))
    else
      print -r -- "FAIL: $shell: tolvane $typed: got $got, expected $want"
      ((failures++))
    fi
  done
  zpty -d $shell
done
print "$failures failed"
((failures == 0))
