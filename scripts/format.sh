#!/usr/bin/env bash
# clang-format with the repository's .clang-format, on our C++ files (never build/).
#
#   format.sh          rewrites in place the lines that this branch changed or added (`make
#                      format`): what the check below asks for, and nothing more
#   format.sh --all    rewrites every C++ file of the source folders in place
#   format.sh --check  rewrites nothing; fails when a line that this branch changed or added,
#                      against its branch point with main (origin/main, else main), is not
#                      formatted, and shows how it would be (`make format-check`). Without
#                      either branch there is nothing to compare with, and nothing is checked.
#
# The check looks at changed lines only: most of the code was written before .clang-format, and
# reformatting it all at once would collide with every branch in progress.
set -euo pipefail
cd "$(dirname "$0")/.."

folders=(app board pieces placement search solve work cli mpi check draw tools bench tests fuzz)

cpp_only() {
    grep -E '\.(cpp|h)$' || true
}

format_all() {
    local files
    # Tracked files and new ones not yet added; build/ is ignored by git.
    mapfile -t files < <(git ls-files --cached --others --exclude-standard -- "${folders[@]}" | cpp_only | sort -u)
    [ ${#files[@]} -eq 0 ] || clang-format -i "${files[@]}"
    echo "formatted ${#files[@]} files"
}

base=""
files=()
untracked=()

# The branch point with main and the C++ files changed since; false when there is no main.
find_changes() {
    local ref
    for ref in origin/main main; do
        if git rev-parse -q --verify "$ref^{commit}" >/dev/null; then
            base=$(git merge-base HEAD "$ref")
            break
        fi
    done
    [ -n "$base" ] || return 1
    command -v clang-format-diff >/dev/null || {
        echo "format: clang-format-diff is missing (Debian package clang-format)" >&2
        exit 2
    }
    # Committed and uncommitted changes since the branch point (a file moved unchanged has no
    # changed line), and new files not yet added as wholly added.
    mapfile -t files < <(git diff --name-only -M --diff-filter=d "$base" -- "${folders[@]}" | cpp_only)
    mapfile -t untracked < <(git ls-files --others --exclude-standard -- "${folders[@]}" | cpp_only)
}

# clang-format-diff over the changed lines, with its own options (-i rewrites in place).
format_diff() {
    {
        git diff -U0 -M --no-color --diff-filter=d "$base" -- "${folders[@]}"
        for f in "${untracked[@]}"; do git diff -U0 --no-color --no-index /dev/null "$f" || true; done
    } | clang-format-diff -p1 -regex '.*\.(cpp|h)' "$@"
}

format_changed_lines() {
    if ! find_changes; then
        echo "format: no origin/main or main to compare with; use --all to format every file"
        return 0
    fi
    format_diff -i
    echo "formatted the changed lines of $((${#files[@]} + ${#untracked[@]})) files"
}

check_changed_lines() {
    local diff
    if ! find_changes; then
        echo "format-check: no origin/main or main to compare with; nothing checked"
        return 0
    fi
    diff=$(format_diff)
    if [ -n "$diff" ]; then
        echo "$diff"
        echo "format-check: changed lines are not formatted as .clang-format says; above, how they would be" >&2
        return 1
    fi
    echo "format-check: the changed lines of $((${#files[@]} + ${#untracked[@]})) files are formatted"
}

case ${1:-} in
"") format_changed_lines ;;
--all) format_all ;;
--check) check_changed_lines ;;
*)
    echo "usage: $0 [--all | --check]" >&2
    exit 2
    ;;
esac
