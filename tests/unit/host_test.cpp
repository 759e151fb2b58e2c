// SPDX-License-Identifier: MIT
// What the companions' door reads of a machine: CPU names on every
// architecture, Linux's texts of machines that are not this one, and the
// build's digest against known texts.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host/linux_facts.h"
#include "host/processor.h"
#include "host/digest.h"
#include "results/result_file.h"
#include "results/statistics.h"

TEST(Machine, TheCpuIsNamedOnEveryArchitecture) {
  struct Case {
    const char* What;
    std::string Cpuinfo;
    std::string Cpu;
  };
  const Case cases[] = {
      {"x86", "processor\t: 0\nvendor_id\t: AuthenticAMD\nmodel name\t: AMD EPYC 9B45\nflags\t: fpu\n", "AMD EPYC 9B45"},
      {"arm64", "processor\t: 0\nBogoMIPS\t: 50.00\nFeatures\t: fp asimd\nCPU implementer\t: 0x41\n"
                "CPU architecture: 8\nCPU variant\t: 0x3\nCPU part\t: 0xd0c\nCPU revision\t: 1\n",
       "ARM implementer 0x41 part 0xd0c"},
      {"raspberry pi", "processor\t: 0\nCPU implementer\t: 0x41\nCPU part\t: 0xd08\n\nHardware\t: BCM2835\n"
                       "Model\t\t: Raspberry Pi 4 Model B Rev 1.4\n",
       "Raspberry Pi 4 Model B Rev 1.4"},
      {"s390x", "vendor_id       : IBM/S390\n# processors    : 2\nbogomips per cpu: 3241.00\n"
                "processor 0: version = FF,  identification = 0133E8,  machine = 8561\n",
       "IBM/S390 machine 8561"},
      {"riscv64", "processor\t: 0\nhart\t\t: 1\nisa\t\t: rv64imafdc\nmmu\t\t: sv39\nuarch\t\t: sifive,u74-mc\n",
       "sifive,u74-mc"},
      {"riscv64 under qemu", "processor\t: 0\nhart\t\t: 0\nisa\t\t: rv64imafdch_zicsr\nmmu\t\t: sv57\n", "rv64imafdch_zicsr"},
      {"nothing", "", ""},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(CpuFromCpuinfo(test.Cpuinfo), test.Cpu) << test.What;
  }
  EXPECT_EQ(HugePageMode("always [madvise] never\n"), "madvise");
  EXPECT_EQ(HugePageMode(""), "");
}

TEST(LinuxFacts, FileSystemsPowerSourcesHypervisorsAndCpuLists) {
  const std::string mountinfo =
      "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
      "25 24 0:23 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
      "40 27 0:40 / /srv/my\\040runs rw shared:5 master:1 - xfs /dev/vdb rw\n"
      "41 27 0:41 / /tmp rw - tmpfs tmpfs rw\n"
      "42 41 0:42 / /tmp rw - overlay overlay rw\n"
      "broken line\n";
  struct Place {
    std::string Path;
    std::optional<std::string> Type;
  };
  for (const Place& place : {Place{"/", "ext4"}, Place{"/home/me", "ext4"}, Place{"/dev/shm/sb", "tmpfs"},
                             Place{"/dev/shmx", "ext4"}, Place{"/srv/my runs/a", "xfs"},
                             Place{"/tmp/x", "overlay"}}) {  // the later mount on /tmp covers the earlier
    EXPECT_EQ(FileSystemFromMountinfo(mountinfo, place.Path), place.Type) << place.Path;
  }
  EXPECT_EQ(FileSystemFromMountinfo("", "/"), std::nullopt);

  struct Power {
    std::vector<PowerSupply> Supplies;
    std::optional<std::string> Source;
  };
  const Power powers[] = {
      {{}, std::nullopt},
      {{{"Mains", "1\n", ""}, {"Battery", "", "Charging"}}, "ac"},
      {{{"Mains", "0", ""}, {"Battery", "", "Discharging"}}, "battery"},
      {{{"Battery", "", "Discharging\n"}}, "battery"},
      {{{"Mains", "0", ""}, {"Battery", "", "Full"}}, "battery"},
      {{{"USB", "0", ""}}, std::nullopt},
  };
  for (const Power& power : powers) {
    EXPECT_EQ(PowerSourceFrom(power.Supplies), power.Source);
  }

  EXPECT_EQ(HypervisorFromFirmware("QEMU", "Standard PC (Q35 + ICH9, 2009)", ""), "qemu");
  EXPECT_EQ(HypervisorFromFirmware("Microsoft Corporation", "Virtual Machine", ""), "microsoft");
  EXPECT_EQ(HypervisorFromFirmware("Amazon EC2", "m7i.large", ""), "amazon");
  EXPECT_EQ(HypervisorFromFirmware("", "", "linux,kvm"), "kvm");
  EXPECT_EQ(HypervisorFromFirmware("Dell Inc.", "PowerEdge R750", ""), std::nullopt);
  EXPECT_EQ(HypervisorFromSignature("KVMKVMKVM"), "kvm");
  EXPECT_EQ(HypervisorFromSignature("Microsoft Hv"), "microsoft");
  EXPECT_EQ(HypervisorFromSignature("NewVisor"), "hypervisor NewVisor");

  EXPECT_EQ(CpuListText({0, 1, 2, 3, 6, 8, 9}), "0-3,6,8-9");
  EXPECT_EQ(CpuListText({5}), "5");
  EXPECT_EQ(CpuListText({}), "");
  EXPECT_EQ(OsFromOsRelease("NAME=Debian\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
            "Debian GNU/Linux 12 (bookworm)");
}

TEST(BuildIdentity, Sha256OfKnownTexts) {
  // FIPS 180-4's examples, and the empty text.
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  EXPECT_EQ(FileSha256("/nonexistent/file"), std::nullopt);
}
