#!/bin/sh
# zrq-regsvr registers the module, then a host written in C creates the effect through the
# registry; after zrq-regsvr /u the host is told the class is not registered. The registry is a
# temporary file of this run.
# usage: RegisteredFromC.sh ZRQ-REGSVR HOST MODULE
set -eu
regsvr=$1
host=$2
module=$3
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
export ZRQ_REGISTRY="$folder/registry.reg"
"$regsvr" "$module"
"$host" registered
"$regsvr" /u "$module"
"$host" unregistered
