# bash completion for nuv-ipconfig: subcommands, options and interface names.
# Subcommands and options are read from the program's own --help each time, so
# the completion follows whichever program is being completed; the program
# sends nothing on the network for --help.

# Prints the help text of PROGRAM, or of its subcommand SUB when one is given.
_nuv_ipconfig_help() {
  "$1" ${2:+"$2"} --help 2>/dev/null
}

# Prints the subcommand names: the first word of each indented line in the
# help's subcommand section (a heading line that ends in "ubcommands:").
_nuv_ipconfig_subcommands() {
  _nuv_ipconfig_help "$1" | awk '
    /^([^ \t].*)?[Ss]ubcommands:[ \t]*$/ { in_section = 1; next }
    /^[^ \t]/ { in_section = 0 }
    in_section && /^  [a-z]/ { print $1 }'
}

# Prints the long options the help of PROGRAM [SUB] names, one a line, each
# followed by its value's name (an upper-case word) when it takes a value.
_nuv_ipconfig_options() {
  _nuv_ipconfig_help "$1" "$2" |
    grep -oE -- '--[a-z][a-z0-9-]*( [A-Z][A-Z0-9_:]*\b)?' | sort -u
}

# Prints the first word of each line of its input that has two words.
_nuv_ipconfig_valued() {
  awk 'NF == 2 { print $1 }'
}

_nuv_ipconfig() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD - 1]}
  local program=${COMP_WORDS[0]}
  COMPREPLY=()
  if [ "$prev" = --interface ]; then
    mapfile -t COMPREPLY < <(compgen -W "$(ls /sys/class/net 2>/dev/null)" -- "$cur")
    return
  fi

  local subcommands valued sub="" i word
  subcommands=$(_nuv_ipconfig_subcommands "$program")
  valued=$(_nuv_ipconfig_options "$program" "" | _nuv_ipconfig_valued)
  # The subcommand is the first word that is neither an option nor the value
  # of the option before it.
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if grep -qxF -- "$word" <<<"$valued"; then
      ((i++))
    elif grep -qxF -- "$word" <<<"$subcommands"; then
      sub=$word
      break
    fi
  done

  local options
  options=$(_nuv_ipconfig_options "$program" "$sub")
  # A value this completion cannot offer: a number, a camera.
  grep -qxF -- "$prev" <<<"$(_nuv_ipconfig_valued <<<"$options")" && return
  options=$(awk '{ print $1 }' <<<"$options" | sort -u)
  if [[ -n $sub || $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
  else
    mapfile -t COMPREPLY < <(compgen -W "$subcommands $options" -- "$cur")
  fi
}

complete -F _nuv_ipconfig nuv-ipconfig
