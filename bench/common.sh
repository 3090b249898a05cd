# Shared by the benchmark scripts: the corpora they make and how they count.

# The headers of /usr/include in one archive: many small files in many folders.
make_include_zip() {  # path
    [[ -f $1 ]] && return
    echo "making $(basename "$1") from /usr/include ..."
    (cd /usr && zip -qr -X "$1" include)
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

ratio() { bc -l <<<"scale=3; $1 / $2" | sed 's/^\./0./'; }
