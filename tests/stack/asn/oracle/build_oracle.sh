#!/usr/bin/env bash
# Compiles the ASN.1 modules with erlang's asn1 compiler (aligned PER, maps; the JER
# option only for the type descriptions the escript prints values with) into
# OUT_DIR/All.beam, the decoder and encoder that asn_oracle.escript serves to the tests.
#   build_oracle.sh MODULE_DIR OUT_DIR
#   build_oracle.sh --single FILE.asn OUT_DIR    one self-contained module, named as its file
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ "$1" = "--single" ]; then
  mkdir -p "$3"
  cd "$3"
  erl -noshell -eval '
    case asn1ct:compile("'"$2"'", [per, jer, maps, {outdir, "."}]) of
      ok -> halt(0);
      Error -> io:format(standard_error, "~p~n", [Error]), halt(1)
    end.'
  exit 0
fi
src="$1"
out="$2"
work="$out/work"
rm -rf "$work"
mkdir -p "$work"
python3 -B "$here/prepare_modules.py" "$src" "$work"
cd "$work"
erl -noshell -eval '
  case asn1ct:compile("All.set.asn", [per, jer, maps, noobj, {outdir, "."}]) of
    ok -> halt(0);
    Error -> io:format(standard_error, "~p~n", [Error]), halt(1)
  end.' > asn1ct.log 2>&1 || { cat asn1ct.log >&2; exit 1; }
# The generated module is large; the optimisation passes only cost time here.
erlc +export_all +no_bopt +no_topt +no_ssa_opt -o "$out" All.erl
