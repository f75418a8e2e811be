// JSON views of a login answer's account head and server catalogue, as nimbrook-cli prints them.
#pragma once

#include <functional>
#include <string>

#include <nlohmann/json.hpp>

#include "catalogue/login_answer.h"

namespace nimbrook::cli {

// {"srvtype": ..., "expiration": ..., "srvid": ...} (UTF-8 texts).
nlohmann::json HeadJson(const AccountHead& head);
// The head of a whole login answer ("yes|" head "_" naslist).
nlohmann::json HeadJson(const std::wstring& answer);

// {"entries": [...], "groups": {"101": [indices], ..., "109": [...]}} for a whole login answer.
// Each entry holds its raw field texts (nasname, IP, info, area, allow, connecttype, onlineusers,
// maxusers) and the derived values: percent, percentText, bar, flag, areaCode, allowed, offered
// ({"5": [...], "10": [...]}) and ports (protocol name to port text).
nlohmann::json CatalogueJson(const std::wstring& answer);

// The compact text of {"head": HeadJson(answer), "catalogue": CatalogueJson(answer)}, handed to write
// in pieces so that a large catalogue is never held as a document or as one text.
void WriteAnswerJson(const std::wstring& answer, const std::function<void(const std::string&)>& write);

}  // namespace nimbrook::cli
