#!/usr/bin/env bash
# Makes the certificates the TLS tests serve, into DIR (created when missing):
#   ca.pem                          a test certificate authority (trust it to accept good.pem)
#   good.pem, good.key              for localhost (subjectAltName DNS:localhost), signed by the CA
#   expired.pem, expired.key        the same, signed by the CA, but valid only in 2020
#   selfsigned.pem, selfsigned.key  for localhost, signed by itself (no authority vouches for it)
# Keys are P-256 keys without a pass phrase, so making them takes a moment only.
#
#   bash tests/support/make-test-certs.sh DIR
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: make-test-certs.sh DIR" >&2
    exit 2
fi
dir="$1"
mkdir -p "$dir"
cd "$dir"

newkey() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" 2>/dev/null; }

# The authority.
newkey ca.key
openssl req -x509 -new -key ca.key -sha256 -days 30 -subj "/CN=Tessaly Test CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -out ca.pem

# What a server certificate for localhost carries.
cat > server.ext <<'EOF'
basicConstraints=CA:FALSE
keyUsage=critical,digitalSignature
extendedKeyUsage=serverAuth
subjectAltName=DNS:localhost
EOF

# The good one.
newkey good.key
openssl req -new -key good.key -subj "/CN=localhost" -out good.csr
openssl x509 -req -in good.csr -CA ca.pem -CAkey ca.key -CAcreateserial -sha256 -days 30 \
    -extfile server.ext -out good.pem

# The expired one: `openssl x509 -days` cannot reach into the past, `openssl ca` takes the
# validity dates as given. It needs a small database of its own.
mkdir -p ca-db
: > ca-db/index.txt
echo 1000 > ca-db/serial
cat > ca.cnf <<'EOF'
[ca]
default_ca = test_ca
[test_ca]
dir = ca-db
database = $dir/index.txt
serial = $dir/serial
new_certs_dir = $dir
certificate = ca.pem
private_key = ca.key
default_md = sha256
policy = any_name
x509_extensions = server_cert
unique_subject = no
[any_name]
commonName = supplied
[server_cert]
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost
EOF
newkey expired.key
openssl req -new -key expired.key -subj "/CN=localhost" -out expired.csr
openssl ca -batch -config ca.cnf -notext -startdate 20200101000000Z -enddate 20200201000000Z \
    -in expired.csr -out expired.pem

# The self-signed one.
newkey selfsigned.key
openssl req -x509 -new -key selfsigned.key -sha256 -days 30 -subj "/CN=localhost" \
    -addext "subjectAltName=DNS:localhost" -out selfsigned.pem

rm -f good.csr expired.csr
