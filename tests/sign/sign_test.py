#!/usr/bin/python3
"""Tests of scripts/sign.sh on copies of the built programs, against a throwaway certificate
authority and a time-stamp authority on loopback (throwaway_pki.py): what it signs verifies,
timestamped, and gives back the unsigned bytes when the signature is removed; bad input ends
with one line naming the step and the reason, and leaves the folder exactly as it was.

    sign_test.py --programs DIR [--objdump PATH --machine i386|amd64] [--keep-signed DIR]
                 [unittest arguments, e.g. SignedRelease]

--keep-signed leaves a signed copy of the programs in DIR, for the run under Wine.
"""
import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # keep the source tree clean
import throwaway_pki  # noqa: E402
from throwaway_pki import DAY, PASSWORD  # noqa: E402

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SIGN = os.path.join(SOURCE, "scripts", "sign.sh")
CHECK_PE = os.path.join(SOURCE, "tests", "pe", "check_pe.py")
MAKER_URL = "https://www.vintorra.example/"
PROGRAMS = {"VCXLauncher.exe": ("Vintorra Corrindel", "vcx-launcher"),
            "VPTLauncher.exe": ("Vintorra Paltrun", "vpt-launcher"),
            "VPTUninstaller.exe": ("Vintorra Paltrun", "uninstaller")}
# The tests and scripts/sign.sh use the same osslsigncode; OSSLSIGNCODE names another.
OSSLSIGNCODE = os.environ.get("OSSLSIGNCODE", "osslsigncode")
SOFTHSM_MODULE = "/usr/lib/softhsm/libsofthsm2.so"
TOKEN_PIN = "482913"
TOKEN_KEY = "pkcs11:token=release;object=signing;type=private"
TOKEN_CERT = "pkcs11:token=release;object=signing;type=cert"

options = None  # the command line, parsed in main()
pki = None      # made once per run, in setUpModule()
tsa = None
scratch = None


def setUpModule():
    global pki, tsa, scratch
    scratch = tempfile.TemporaryDirectory(prefix="sign-test.")
    pki = throwaway_pki.Pki(os.path.join(scratch.name, "pki"))
    pki.issue("signer", "code_signing")
    pki.pkcs12("signer")
    tsa = throwaway_pki.TimeStampAuthority(pki)


def tearDownModule():
    tsa.stop()
    scratch.cleanup()


def unsigned_folder(name):
    """A fresh folder with copies of the built programs and one file that is not signed."""
    folder = os.path.join(scratch.name, name)
    os.makedirs(folder)
    for program in PROGRAMS:
        shutil.copy2(os.path.join(options.programs, program), folder)
    with open(os.path.join(folder, "README.txt"), "w") as f:
        f.write("shipped beside the programs\n")
    return folder


def sign(folder, *arguments, env=None):
    return subprocess.run([SIGN, "--dist", folder, "--url", MAKER_URL, *arguments],
                          capture_output=True, text=True, env={**os.environ, **(env or {})})


def with_file(*arguments):
    """The usual PKCS#12 arguments, the password in the environment."""
    return ["--password-env", "RELEASE_PASSWORD", "--ca-file", pki.path("ca.pem"),
            "--timestamp-url", tsa.url, *arguments]


FILE_ENV = {"RELEASE_PASSWORD": PASSWORD}


def verify(path, *arguments):
    return subprocess.run([OSSLSIGNCODE, "verify", "-CAfile", pki.path("ca.pem"),
                           "-TSA-CAfile", pki.path("ca.pem"), *arguments, "-in", path],
                          capture_output=True, text=True)


def snapshot(folder):
    """Every entry of the folder, hidden ones too, with its bytes, mode and time."""
    state = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        status = os.lstat(path)
        digest = None
        if os.path.isfile(path):
            with open(path, "rb") as f:
                digest = hashlib.sha256(f.read()).hexdigest()
        state[name] = (digest, status.st_mode, status.st_mtime_ns)
    return state


class SignedRelease(unittest.TestCase):
    """One folder signed with a PKCS#12 file, as a release would be."""

    @classmethod
    def setUpClass(cls):
        cls.folder = unsigned_folder("release")
        cls.result = sign(cls.folder, "--pkcs12", pki.path("signer.p12"), *with_file(),
                          env=FILE_ENV)

    def setUp(self):
        self.assertEqual(self.result.returncode, 0, self.result.stderr)

    def test_every_program_verifies_against_the_ca_with_its_timestamp(self):
        for program, (product, _) in PROGRAMS.items():
            with self.subTest(program):
                checked = verify(os.path.join(self.folder, program))
                self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
                report = checked.stdout
                self.assertIn("Signature verification: ok", report)
                self.assertIn("Timestamp Server Signature verification: ok", report)
                self.assertRegex(report, r"Message digest algorithm *: SHA256")
                self.assertIn(f"Text description: {product}", report)
                self.assertIn(f"URL description: {MAKER_URL}", report)
        self.assertGreaterEqual(tsa.requests, len(PROGRAMS))

    def test_a_root_other_than_the_signers_is_refused(self):
        # Shows that the verification above rests on the throwaway CA.
        other = pki.other_root()
        checked = subprocess.run([OSSLSIGNCODE, "verify", "-CAfile", other, "-TSA-CAfile",
                                  other, "-in", os.path.join(self.folder, "VCXLauncher.exe")],
                                 capture_output=True, text=True)
        self.assertNotEqual(checked.returncode, 0, checked.stdout)

    def test_checksums_list_every_shipped_file(self):
        checked = subprocess.run(["sha256sum", "--strict", "-c", "SHA256SUMS"], cwd=self.folder,
                                 capture_output=True, text=True)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        listed = sorted(line.split(": ")[0] for line in checked.stdout.splitlines())
        self.assertEqual(listed, sorted([*PROGRAMS, "README.txt"]))
        self.assertEqual(sorted(os.listdir(self.folder)),
                         sorted([*PROGRAMS, "README.txt", "SHA256SUMS"]))

    def test_removing_the_signature_gives_back_the_built_bytes(self):
        for program in PROGRAMS:
            with self.subTest(program):
                stripped = os.path.join(scratch.name, "stripped-" + program)
                subprocess.run([OSSLSIGNCODE, "remove-signature",
                                "-in", os.path.join(self.folder, program), "-out", stripped],
                               check=True, capture_output=True)
                with open(stripped, "rb") as a, \
                        open(os.path.join(options.programs, program), "rb") as b:
                    self.assertTrue(a.read() == b.read(), f"{program} differs from the build")

    def test_signed_programs_pass_the_pe_checks(self):
        if not options.objdump:
            self.skipTest("no --objdump given: the PE checks run where the tree has one")
        for program, (_, profile) in PROGRAMS.items():
            with self.subTest(program):
                checked = subprocess.run(
                    ["/usr/bin/python3", CHECK_PE, "--objdump", options.objdump,
                     "--machine", options.machine, "--profile", profile,
                     os.path.join(self.folder, program)], capture_output=True, text=True)
                self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)

    def test_signing_again_is_refused_and_changes_nothing(self):
        before = snapshot(self.folder)
        again = sign(self.folder, "--pkcs12", pki.path("signer.p12"), *with_file(),
                     env=FILE_ENV)
        self.assertEqual(again.returncode, 1)
        self.assertIn("is signed already", again.stderr)
        self.assertEqual(snapshot(self.folder), before)

    @classmethod
    def tearDownClass(cls):
        if options.keep_signed and cls.result.returncode == 0:
            shutil.rmtree(options.keep_signed, ignore_errors=True)
            os.makedirs(options.keep_signed)
            for program in PROGRAMS:
                shutil.copy2(os.path.join(cls.folder, program), options.keep_signed)


class Token:
    """A SoftHSM token holding the signing key and its certificate, in a folder of its own."""

    def __init__(self):
        if not os.path.exists(SOFTHSM_MODULE):
            raise AssertionError(f"{SOFTHSM_MODULE} is missing: apt-get install softhsm2")
        folder = os.path.join(scratch.name, "softhsm")
        os.makedirs(os.path.join(folder, "objects"))
        self.conf = os.path.join(folder, "softhsm2.conf")
        with open(self.conf, "w") as f:
            f.write(f"directories.tokendir = {folder}/objects\nobjectstore.backend = file\n"
                    "log.level = ERROR\n")
        self.env = {"SOFTHSM2_CONF": self.conf}
        env = {**os.environ, **self.env}
        subprocess.run(["softhsm2-util", "--init-token", "--free", "--label", "release",
                        "--pin", TOKEN_PIN, "--so-pin", "11223344"],
                       check=True, capture_output=True, env=env)
        subprocess.run(["softhsm2-util", "--import", pki.path("signer.key"), "--token",
                        "release", "--label", "signing", "--id", "01", "--pin", TOKEN_PIN],
                       check=True, capture_output=True, env=env)
        certificate = os.path.join(folder, "signer.der")
        throwaway_pki.openssl("x509", "-in", pki.path("signer.pem"), "-outform", "der",
                              "-out", certificate)
        subprocess.run(["pkcs11-tool", "--module", SOFTHSM_MODULE, "--token-label", "release",
                        "--login", "--pin", TOKEN_PIN, "--write-object", certificate,
                        "--type", "cert", "--id", "01", "--label", "signing"],
                       check=True, capture_output=True, env=env)

    def pin_file(self, pin):
        path = os.path.join(scratch.name, f"pin-{pin}")
        with open(path, "w") as f:
            f.write(pin + "\n")
        return path

    def arguments(self, pin, certificate=("--certs", None)):
        option, value = certificate
        return ["--pkcs11-module", SOFTHSM_MODULE, "--key", TOKEN_KEY,
                option, value or pki.path("signer.pem"), "--password-file", self.pin_file(pin),
                "--ca-file", pki.path("ca.pem"), "--timestamp-url", tsa.url]


token = None


def the_token():
    global token
    token = token or Token()
    return token


class TokenSigning(unittest.TestCase):
    def test_key_on_a_token_signs_and_verifies(self):
        for where, certificate in [("certificate from a file", ("--certs", None)),
                                   ("certificate from the token", ("--pkcs11-cert", TOKEN_CERT))]:
            with self.subTest(where):
                folder = unsigned_folder("token-" + certificate[0].strip("-"))
                result = sign(folder, *the_token().arguments(TOKEN_PIN, certificate),
                              env=the_token().env)
                self.assertEqual(result.returncode, 0, result.stderr)
                for program in PROGRAMS:
                    checked = verify(os.path.join(folder, program))
                    self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
                    self.assertIn("Timestamp Server Signature verification: ok",
                                  checked.stdout)


def p12(name, extensions, **validity):
    pki.issue(name, extensions, **validity)
    return ["--pkcs12", pki.pkcs12(name)]


# Each case: what is wrong, the arguments (made when the case runs), the environment, and
# the words expected in the step and the reason of the one line of error.
BAD_INPUT = [
    ("wrong password",
     lambda: ["--pkcs12", pki.path("signer.p12"), *with_file()],
     lambda: {"RELEASE_PASSWORD": "not the password"},
     "opening the PKCS#12 file", "wrong password"),
    ("certificate without the code-signing usage",
     lambda: [*p12("server", "server_only"), *with_file()], lambda: FILE_ENV,
     "checking the certificate", "has no code-signing usage"),
    ("expired certificate",
     lambda: [*p12("expired", "code_signing", start=-3 * DAY, end=-DAY), *with_file()],
     lambda: FILE_ENV,
     "checking the certificate", "expired on"),
    ("certificate not valid yet",
     lambda: [*p12("future", "code_signing", start=DAY, end=3 * DAY), *with_file()],
     lambda: FILE_ENV,
     "checking the certificate", "is valid only from"),
    ("time-stamp authority unreachable",
     lambda: ["--pkcs12", pki.path("signer.p12"), "--password-env", "RELEASE_PASSWORD",
              "--ca-file", pki.path("ca.pem"),
              "--timestamp-url", throwaway_pki.unused_loopback_url()],
     lambda: FILE_ENV,
     "signing VCXLauncher.exe", "(refused|connect)"),
    # Every program gets signed before the first verification fails: nothing may move.
    ("signer not trusted by the given roots",
     lambda: ["--pkcs12", pki.path("signer.p12"), *with_file("--ca-file", pki.other_root())],
     lambda: FILE_ENV,
     "verifying VCXLauncher.exe", "certificate verify error"),
    ("wrong PIN of the token",
     lambda: the_token().arguments("000000"), lambda: the_token().env,
     "signing VCXLauncher.exe", "PIN incorrect"),
    ("password variable not set",
     lambda: ["--pkcs12", pki.path("signer.p12"), *with_file()], lambda: {},
     "reading the options", "RELEASE_PASSWORD"),
]


class BadInput(unittest.TestCase):
    def test_each_fault_is_named_in_one_line_and_changes_nothing(self):
        for number, (what, arguments, env, step, reason) in enumerate(BAD_INPUT):
            with self.subTest(what):
                folder = unsigned_folder(f"bad-{number}")
                before = snapshot(folder)
                result = sign(folder, *arguments(), env=env())
                self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
                errors = result.stderr.splitlines()
                self.assertRegex(errors[0], rf"^sign: {re.escape(step)}.* failed: .*{reason}")
                self.assertEqual(len(errors), 2, result.stderr)
                self.assertEqual(snapshot(folder), before)

    def test_a_missing_program_is_named(self):
        folder = unsigned_folder("incomplete")
        os.remove(os.path.join(folder, "VPTUninstaller.exe"))
        before = snapshot(folder)
        result = sign(folder, "--pkcs12", pki.path("signer.p12"), *with_file(), env=FILE_ENV)
        self.assertEqual(result.returncode, 1)
        self.assertIn("VPTUninstaller.exe is missing", result.stderr)
        self.assertEqual(snapshot(folder), before)


def main():
    global options
    parser = argparse.ArgumentParser()
    parser.add_argument("--programs", required=True)
    parser.add_argument("--objdump")
    parser.add_argument("--machine", default="i386")
    parser.add_argument("--keep-signed")
    options, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()
