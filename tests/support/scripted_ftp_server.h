// A scripted FTP server on 127.0.0.1 for tests of hostile or broken behaviour: starts
// scripts/scripted_ftp_server.py with one scenario (a silent greeting, a 9 KiB reply line, a
// lying "226", a connection cut mid-transfer ...) as a detached Linux process, learns its port,
// reads back the commands it received, and stops it when destroyed.
#pragma once

#include <string>

class ScriptedFtpServer {
 public:
  // `scenario` is one of the names the script lists (for example "lying-226"); those named
  // "tls-..." answer AUTH TLS with the test authority's certificate for localhost.
  explicit ScriptedFtpServer(const std::string& scenario, unsigned lifetimeSeconds = 60);
  ~ScriptedFtpServer();
  ScriptedFtpServer(const ScriptedFtpServer&) = delete;
  ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

  bool Running() const { return port_ > 0; }
  int Port() const { return port_; }
  // Every command line the server received so far, each ended by "\n".
  std::string Commands() const;
  const std::string& Error() const { return error_; }
  void Stop();

 private:
  std::string workFolder_;
  int port_ = 0;
  unsigned long pid_ = 0;
  std::string error_;
};
