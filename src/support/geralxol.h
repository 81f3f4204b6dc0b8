// Where the store database's connection string comes from.
#ifndef CONTA_SUPPORT_GERALXOL_H_
#define CONTA_SUPPORT_GERALXOL_H_

#include <optional>
#include <string>

namespace Geralxol {

// The connection string: the one the host set through the API, else the
// environment variable CONTA_CONNECTION, else the first line of the file
// conexao.txt in the host directory (blank lines and lines starting with '#'
// skipped), else the empty text (the embedded default database).
std::string GetStringConexXol(const std::string& unused);

// The host's own connection string; nullopt returns to the other sources.
void setConnectionString(std::optional<std::string> text);

}  // namespace Geralxol

#endif  // CONTA_SUPPORT_GERALXOL_H_
