#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# check-udev-rule.sh RULES: the scanner's rules are well formed (udevadm
# verify, where the system has it, and a parse of our own) and, applied to
# a table of serial devices, give uaccess and ID_MM_DEVICE_IGNORE=1 to the
# scanner's ttys only.
set -uo pipefail
rules=$1
failed=0
fail() { echo "FAIL: $*"; failed=1; }

if command -v udevadm >/dev/null && udevadm verify --help >/dev/null 2>&1; then
  udevadm verify "$rules" || fail "udevadm verify"
fi

key='([A-Z_]+)(\{[A-Za-z0-9_]+\})?'
op='(==|!=|\+=|-=|:=|=)'
token="^${key}${op}\"([^\"]*)\"(, *|$)"
matches=" KERNEL SUBSYSTEM DRIVER KERNELS SUBSYSTEMS DRIVERS ATTRS ATTR ENV ACTION TAG TAGS "
assigns=" TAG ENV OWNER GROUP MODE SYMLINK RUN OPTIONS "

# Each rule as lines "KEY{attr} OP value".
declare -a parsed=()
number=0
while IFS= read -r line || [ -n "$line" ]; do
  number=$((number + 1))
  [[ "$line" =~ ^[[:space:]]*(#|$) ]] && continue
  rest=$line rule=""
  while [ -n "$rest" ]; do
    [[ "$rest" =~ $token ]] || { fail "line $number: cannot parse at: $rest"; rule=""; break; }
    name=${BASH_REMATCH[1]} operator=${BASH_REMATCH[3]}
    if [[ "$operator" == "==" || "$operator" == "!=" ]]; then
      [[ "$matches" == *" $name "* ]] || fail "line $number: $name cannot be matched"
    else
      [[ "$assigns" == *" $name "* ]] || fail "line $number: $name cannot be assigned"
    fi
    rule+="${name}${BASH_REMATCH[2]} $operator ${BASH_REMATCH[4]}"$'\n'
    rest=${rest:${#BASH_REMATCH[0]}}
  done
  [ -n "$rule" ] && parsed+=("$rule")
done <"$rules"
[ ${#parsed[@]} -gt 0 ] || fail "no rules"

# apply KERNEL VENDOR PRODUCT: the tty's properties after all rules, as
# "uaccess" and "ignore" words. The usb device is the only parent with attributes.
apply() {
  local kernel=$1 vendor=$2 product=$3 result="" rule name operator value actual ok
  for rule in "${parsed[@]}"; do
    ok=1
    local assignments=""
    while read -r name operator value; do
      [ -z "$name" ] && continue
      case "$name" in
        KERNEL) actual=$kernel ;;
        SUBSYSTEM) actual=tty ;;
        SUBSYSTEMS) actual=usb ;;
        "ATTRS{idVendor}") actual=$vendor ;;
        "ATTRS{idProduct}") actual=$product ;;
        *) actual="" ;;
      esac
      case "$operator" in
        ==) [[ "$actual" == $value ]] || ok=0 ;;
        !=) [[ "$actual" != $value ]] || ok=0 ;;
        *) assignments+="$name=$value " ;;
      esac
    done <<<"$rule"
    [ $ok -eq 1 ] || continue
    [[ "$assignments" == *"TAG=uaccess "* ]] && result+="uaccess "
    [[ "$assignments" == *"ENV{ID_MM_DEVICE_IGNORE}=1 "* ]] && result+="ignore "
  done
  echo "$result"
}

# kernel name, vendor, product, expected
while read -r kernel vendor product expected; do
  got=$(apply "$kernel" "$vendor" "$product")
  got=$(printf '%s\n' $got | sort -u | paste -sd,)
  [ "${got:--}" = "$expected" ] || fail "$kernel $vendor:$product gets '${got:--}', expected '$expected'"
done <<'TABLE'
ttyUSB0 065a 0009 ignore,uaccess
ttyACM0 065a 0009 ignore,uaccess
ttyACM3 065a 0011 ignore,uaccess
ttyACM10 065a 4001 ignore,uaccess
ttyUSB1 065a 0011 -
ttyACM0 1234 0009 -
ttyUSB2 0403 6001 -
ttyS0 0000 0000 -
TABLE
exit $failed
