"""A PostgreSQL cluster of its own for the tests and the benchmarks: initdb into a temporary
folder, listening on a Unix socket there and on 127.0.0.1 at a free port, with a role "loader"
(password PASSWORD) owning a database "wells" and a role "reader" that may create nothing there.
remove() stops it and deletes it."""
import csv
import glob
import io
import os
import shutil
import socket
import subprocess
import tempfile

PASSWORD = "Secret#pw-41"  # must never show in what the converter prints


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Cluster:
    def __init__(self):
        self.bin = sorted(glob.glob("/usr/lib/postgresql/*/bin"))[-1]
        self.dir = tempfile.mkdtemp(prefix="tarnwell-pg-")
        self.data = os.path.join(self.dir, "data")
        self.port = free_port()
        # initdb refuses to run as root: the cluster then belongs to the package's postgres user.
        self.owner = ["runuser", "-u", "postgres", "--"] if os.geteuid() == 0 else []
        if self.owner:
            shutil.chown(self.dir, "postgres")
        pwfile = os.path.join(self.dir, "pw")
        with open(pwfile, "w") as f:
            f.write("super-pw\n")
        if self.owner:
            shutil.chown(pwfile, "postgres")
        self.pg("initdb", "-D", self.data, "-U", "postgres", "--pwfile", pwfile, "-A", "scram-sha-256",
                "--auth-local=trust", "-E", "UTF8", "--locale=C")
        self.start()
        self.sql("CREATE ROLE loader LOGIN PASSWORD '%s'; CREATE ROLE reader LOGIN PASSWORD 'reader-pw'" % PASSWORD,
                 db="postgres")
        self.sql("CREATE DATABASE wells OWNER loader", db="postgres")

    def pg(self, program, *args):
        subprocess.run(self.owner + [os.path.join(self.bin, program), *args], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    def start(self):
        self.pg("pg_ctl", "-D", self.data, "-l", os.path.join(self.dir, "log"), "-w", "-o",
                "-p %d -k %s -c listen_addresses=127.0.0.1" % (self.port, self.dir), "start")

    def stop(self, mode="fast"):
        self.pg("pg_ctl", "-D", self.data, "-m", mode, "-w", "stop")

    def remove(self):
        subprocess.run(self.owner + [os.path.join(self.bin, "pg_ctl"), "-D", self.data, "-m", "immediate", "stop"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.dir, ignore_errors=True)

    def sql(self, statement, db="wells"):
        """Rows as lists of texts, NULL as None."""
        out = subprocess.run([os.path.join(self.bin, "psql"), "-X", "-h", self.dir, "-p", str(self.port), "-U",
                              "postgres", "-d", db, "--csv", "-P", "null=<NULL>", "-v", "ON_ERROR_STOP=1", "-c",
                              statement], check=True, capture_output=True, text=True).stdout
        rows = list(csv.reader(io.StringIO(out)))[1:]
        return [[None if v == "<NULL>" else v for v in row] for row in rows]

    def uri(self, user="loader", password=PASSWORD, port=None, db="wells"):
        return "postgresql://%s:%s@127.0.0.1:%d/%s" % (user, password, port or self.port, db)
