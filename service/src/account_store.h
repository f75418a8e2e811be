// The accounts of the data directory, data/accounts.ini: one section per account name, with its
// password, account type, expiry, service id, catalogue and the answer shape it gets (so tests can
// reach every answer the client must handle by logging in as a particular account).
#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace nimbrook::service {

enum class AnswerShape {
  Normal,       // "yes|srvtype,..|expiration,..|srvid,.._" + naslist
  Refuse,       // "<status word>|<message>" (status word "no" unless configured)
  Empty,        // 200 with an empty body
  HttpStatus,   // an HTTP error status, no answer
  NoBar,        // 200 with a text that holds no "|"
  NoSeparator,  // an accepted head without "_" and without catalogue
};

struct Account {
  std::string name;
  std::string password;
  std::string srvtype = "vip";
  std::string expiration;   // as configured: a time text, or relative "+72h", "-2d", "+30m"
  std::string srvid = "11";
  std::string catalogue = "servers.txt";  // data/catalogue/<file>: one entry per line
  std::string naslistFile;                // data/catalogue/<file>: the naslist text exactly as sent
  AnswerShape answer = AnswerShape::Normal;
  std::string statusWord = "no";          // status part of a refusal
  int httpStatus = 500;
  std::string message;                    // refusal / no-bar text (chs), with _eng and _cht variants
  std::string messageEng;
  std::string messageCht;
  bool disabled = false;
  int delayMs = 0;                        // the answer waits this long
};

// Reads the accounts; false with an error text when the file cannot be read or holds a bad value.
[[nodiscard]] bool LoadAccounts(const std::filesystem::path& path, std::vector<Account>& accounts, std::string& error);

// The account of that name (ASCII letters compared without case), or nullptr.
const Account* FindAccount(const std::vector<Account>& accounts, const std::string& name);

// The expiry text sent to the client: relative values become "%Y-%m-%d %H:%M:%S" in local time
// counted from now; other values are sent as they are.
std::string ResolveExpiration(const std::string& configured, std::time_t now);

// Whether a resolved expiry text ("%d-%d-%d %d:%d:%d", or a date alone meaning its midnight) lies
// before now. Texts that cannot be read count as not expired.
bool IsExpired(const std::string& expiration, std::time_t now);

// The refusal text in the client's language ("eng", "cht", otherwise Chinese).
std::string LocalizedMessage(const Account& account, const std::string& locale);

}  // namespace nimbrook::service
