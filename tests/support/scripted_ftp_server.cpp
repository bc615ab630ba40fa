#include "tests/support/scripted_ftp_server.h"

#include <windows.h>

#include "tests/support/ftp_server.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_certificates.h"

ScriptedFtpServer::ScriptedFtpServer(const std::string& scenario, unsigned lifetimeSeconds) {
  workFolder_ = MakeUniqueTempFolder("zevscripted");
  const std::string source = SourceRootFolder();
  if (workFolder_.empty() || source.empty()) {
    error_ = "no work folder or no source folder";
    return;
  }
  const std::string script = UnixPathOf(source + "scripts\\scripted_ftp_server.py");
  const std::string work = UnixPathOf(workFolder_);
  if (script.empty() || work.empty() || scenario.find_first_of("'\"\\ ") != std::string::npos ||
      (script + work).find_first_of("'\"\\") != std::string::npos) {
    error_ = "no usable Linux path for the script or the work folder";
    return;
  }
  // The TLS scenarios offer the test authority's certificate for localhost.
  std::string tls;
  if (scenario.compare(0, 4, "tls-") == 0) {
    const CertificateFiles& files = TestCertificateFiles(TestCertificate::kSigned);
    tls = " --certificate '" + UnixPathOf(files.pem) + "' --key '" + UnixPathOf(files.key) + "'";
  }
  // Detached, every stream to a file: the server must never hold the test runner's pipes.
  const std::string command = "setsid /usr/bin/python3 '" + script + "' --scenario " + scenario +
                              tls + " --portfile '" + work + "port' --log '" + work +
                              "commands.log' --lifetime " + std::to_string(lifetimeSeconds) +
                              " </dev/null >'" + work + "server.log' 2>&1 &";
  if (!RunShellCommand(command)) {
    error_ = "could not start /bin/sh";
    return;
  }
  int port = 0;
  unsigned long pid = 0;
  if (!WaitForServerPort(workFolder_, port, pid, error_)) return;
  port_ = port;
  pid_ = pid;
}

ScriptedFtpServer::~ScriptedFtpServer() {
  Stop();
  if (!workFolder_.empty()) RemoveFolderTree(workFolder_);
}

void ScriptedFtpServer::Stop() {
  StopServerProcess(pid_);
  pid_ = 0;
  port_ = 0;
}

std::string ScriptedFtpServer::Commands() const {
  return workFolder_.empty() ? std::string() : ReadFileText(workFolder_ + "commands.log");
}
