# The opening every tools script shares (sourced first): unset variables and failed pipes are
# errors, the project's root is the working folder, and the package setup and the Wine settings
# are at hand.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1
source tools/setup.sh
source tools/wine-env.sh
