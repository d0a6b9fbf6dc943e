# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for panorama-cli: its commands, each command's options, and files where a
# photo, a panorama or an output is expected.

# Files matching an extended glob, and folders to walk into.
_panorama_cli_files() {
  COMPREPLY=($(compgen -f -X "!$1" -- "$cur") $(compgen -d -- "$cur"))
}

_panorama_cli() {
  local cur prev command i
  COMPREPLY=()
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  command=
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      -*) ;;
      *) command=${COMP_WORDS[i]}; break ;;
    esac
  done

  if [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "stitch publish preview project profiles help --version --help" -- "$cur"))
    return
  fi

  local publishing="--mov --html --exe --project"
  case $prev in
    -o|--mov|--exe|--project|--cameras)
      COMPREPLY=($(compgen -f -- "$cur")); return ;;
    --html)
      COMPREPLY=($(compgen -W "flash: qtvr: activex: java:" -- "$cur")); compopt -o nospace 2>/dev/null; return ;;
    --profile|--params|--quality|--size|--hfov|--rotate|--memory-limit|--height)
      return ;;
  esac

  case $command in
    stitch)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "-o --full360 --rotate --profile --params --quality --size --hfov
          --cameras --stitch-anyway --in-found-order --memory-limit -v --verbose -q --quiet
          --help $publishing" -- "$cur"))
      else
        _panorama_cli_files '*.@(jpg|jpeg|jpe|JPG|JPEG|png|PNG)'
      fi ;;
    publish)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--hfov --size --quality --memory-limit -q --quiet --help
          $publishing" -- "$cur"))
      else
        _panorama_cli_files '*.@(jpg|jpeg|jpe|JPG|JPEG)'
      fi ;;
    preview)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "-o --height -q --quiet --help" -- "$cur"))
      else
        _panorama_cli_files '*.@(jpg|jpeg|jpe|JPG|JPEG|png|PNG)'
      fi ;;
    project)
      if [[ $prev == project ]]; then
        COMPREPLY=($(compgen -W "show" -- "$cur"))
      else
        _panorama_cli_files '*.skl'
      fi ;;
    profiles)
      if [[ $prev == profiles ]]; then
        COMPREPLY=($(compgen -W "list export import" -- "$cur"))
      elif [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "-q --quiet --help" -- "$cur"))
      else
        _panorama_cli_files '*.reg'
      fi ;;
    help)
      COMPREPLY=($(compgen -W "stitch publish preview project profiles" -- "$cur")) ;;
  esac
}
complete -F _panorama_cli panorama-cli
