#!/usr/bin/env python3
"""tarnwell-convert --db postgresql:... against a PostgreSQL cluster of the tests' own (initdb into
a temporary folder, a Unix socket there and 127.0.0.1 on a port of its own; stopped and removed at
the end, also when a test fails): the same rows and cells as the SQLite archive, three loaders at
once, a loader killed and the server stopped mid-file, and the connection problems users meet."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from pg_cluster import PASSWORD, Cluster, free_port
from test_database import CONVERT, EXAMPLES, GENERATE, query, run

CLUSTER = None


def setUpModule():
    global CLUSTER
    CLUSTER = Cluster.__new__(Cluster)
    unittest.addModuleCleanup(lambda: CLUSTER.remove() if hasattr(CLUSTER, "data") else None)
    Cluster.__init__(CLUSTER)


class Postgres(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.dir = self.tmp.name
        self.schema = self.id().rsplit(".", 1)[-1][5:40]  # a schema per test

    def load(self, *inputs, uri=None, expect=0):
        result = run("-q", "--db", uri or CLUSTER.uri(), "--db-schema", self.schema, *inputs)
        self.assertEqual(result.returncode, expect, result.stderr)
        self.assertNotIn(PASSWORD, result.stdout + result.stderr)
        return result

    def held(self, path):
        """(rows, cells) held for the file, or None."""
        found = CLUSTER.sql("SELECT (SELECT count(*) FROM %s.rows r WHERE r.file_id = f.id), (SELECT count(*) FROM "
                            "%s.cells c WHERE c.file_id = f.id) FROM %s.files f WHERE path = '%s'"
                            % (self.schema, self.schema, self.schema, path))
        return tuple(map(int, found[0])) if found else None

    def gauge_file(self, rows):
        path = os.path.join(self.dir, "gauge.pas")
        GENERATE.gauges(path, rows)
        with open(path) as f:
            lines = sum(1 for line in f if line.strip())
        return path, (lines, rows * 4)

    def mid_file(self, path, act):
        """Starts a loader of the file and does `act` while it is inside it: its first rows copied,
        its cells held up by a lock the test holds, so that the moment does not depend on the
        machine's speed. Returns the loader."""
        holder = subprocess.Popen([os.path.join(CLUSTER.bin, "psql"), "-X", "-q", "-h", CLUSTER.dir, "-p",
                                   str(CLUSTER.port), "-U", "postgres", "-d", "wells"], stdin=subprocess.PIPE, text=True)
        # Held while psql waits for more: killed, its session ends at once, and the lock with it.
        holder.stdin.write("BEGIN; LOCK TABLE %s.cells;\n" % self.schema)
        holder.stdin.flush()
        try:
            while CLUSTER.sql("SELECT count(*) FROM pg_locks WHERE relation = '%s.cells'::regclass AND granted"
                              % self.schema)[0][0] == "0":
                time.sleep(0.01)
            loader = subprocess.Popen([CONVERT, "-q", "--db", CLUSTER.uri(), "--db-schema", self.schema, path],
                                      stderr=subprocess.PIPE, text=True)
            while loader.poll() is None:
                if CLUSTER.sql("SELECT count(*) FROM pg_stat_activity WHERE application_name = 'tarnwell-convert' "
                               "AND wait_event_type = 'Lock' AND query LIKE 'COPY cells%'")[0][0] != "0":
                    act(loader)
                    return loader
                time.sleep(0.01)
            self.fail("the loader ended before it copied cells")
        finally:
            holder.kill()
            holder.wait()

    def test_same_rows_and_cells_as_the_sqlite_archive(self):
        sqlite = os.path.join(self.dir, "archive.sqlite")
        self.assertEqual(run("-q", "--db", sqlite, "--source", "lab", EXAMPLES).returncode, 0)
        result = run("--db", CLUSTER.uri(), "--db-schema", self.schema, "--source", "lab", EXAMPLES)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertNotIn(PASSWORD, result.stdout + result.stderr)
        self.assertIn("postgresql://loader@127.0.0.1:%d/wells (schema %s): 17 files loaded, 0 unchanged"
                      % (CLUSTER.port, self.schema), result.stderr)
        files = ("source, path, sha256, bytes, type, type_name, version, uwi, company, formation, licensee, "
                 "tracking_id, submission_date, lines, error_rows")
        tables = {"files": "SELECT %s FROM files ORDER BY path" % files,
                  "rows": "SELECT f.path, r.line, sheet, section, kind, mnemonic, description, value, number, time "
                          "FROM rows r JOIN files f ON f.id = r.file_id ORDER BY f.path, r.line",
                  "cells": "SELECT f.path, c.line, col, header, value, number, time FROM cells c "
                           "JOIN files f ON f.id = c.file_id ORDER BY f.path, c.line, col"}
        for table, sql in tables.items():
            expected = [[None if v is None else float(v) if isinstance(v, float) else str(v) for v in row]
                        for row in query(sqlite, sql)]
            numbers = {i for row in query(sqlite, sql) for i, v in enumerate(row) if isinstance(v, float)}
            held = CLUSTER.sql(sql.replace("FROM ", "FROM %s." % self.schema).replace("JOIN ", "JOIN %s." % self.schema))
            held = [[float(v) if i in numbers and v is not None else v for i, v in enumerate(row)] for row in held]
            self.assertEqual(held, expected, table)
        self.assertIn("0 files loaded, 17 unchanged", run("--db", CLUSTER.uri(), "--db-schema", self.schema,
                                                          "--source", "lab", EXAMPLES).stderr)
        # A file deleted by hand takes its rows and cells with it.
        CLUSTER.sql("DELETE FROM {0}.files WHERE type = 'DST'".format(self.schema))
        self.assertEqual(CLUSTER.sql("SELECT (SELECT count(*) FROM {0}.rows WHERE file_id NOT IN (SELECT id FROM {0}.files)) "
                                     "+ (SELECT count(*) FROM {0}.cells WHERE file_id NOT IN (SELECT id FROM {0}.files))"
                                     .format(self.schema)), [["0"]])

    def test_three_loaders_at_once_over_overlapping_lists(self):
        names = sorted(os.listdir(EXAMPLES))
        paths = []
        for i in range(300):
            paths.append(os.path.join(self.dir, "f%03d.pas" % i))
            shutil.copy(os.path.join(EXAMPLES, names[i % len(names)]), paths[-1])
        lists = []
        for k, (start, end) in enumerate(((0, 200), (100, 300), (50, 250))):
            lists.append(os.path.join(self.dir, "list%d" % k))
            with open(lists[-1], "w") as f:
                f.write("\n".join(paths[start:end]) + "\n")
        self.load(paths[0])  # the schema made before: the loaders below race for files only
        loaders = [subprocess.Popen([CONVERT, "-q", "--db", CLUSTER.uri(), "--db-schema", self.schema, "--from", lst],
                                    stderr=subprocess.PIPE, text=True) for lst in lists]
        for loader in loaders:
            _, err = loader.communicate(timeout=600)
            self.assertEqual(loader.returncode, 0, err)
        # Every file once, and whole: files of one content hold the same number of rows.
        self.assertEqual(CLUSTER.sql("SELECT count(*), count(DISTINCT path) FROM %s.files" % self.schema), [["300", "300"]])
        self.assertEqual(CLUSTER.sql("SELECT count(*) FROM (SELECT f.sha256 FROM %s.files f JOIN %s.rows r ON "
                                     "r.file_id = f.id GROUP BY f.id, f.sha256) per_file" % (self.schema, self.schema)),
                         [["300"]])
        self.assertEqual(CLUSTER.sql("SELECT count(*) FROM (SELECT sha256 FROM (SELECT f.sha256, count(*) n FROM "
                                     "%s.files f JOIN %s.rows r ON r.file_id = f.id GROUP BY f.id) x GROUP BY sha256 "
                                     "HAVING count(DISTINCT n) > 1) bad" % (self.schema, self.schema)), [["0"]])

    def test_killed_loader_and_stopped_server_leave_files_whole_or_absent(self):
        big, expected = self.gauge_file(20_000)
        self.load(os.path.join(EXAMPLES, "gradient.pas"))  # the schema, for the test's lock
        loader = self.mid_file(big, lambda loader: loader.send_signal(signal.SIGKILL))
        loader.communicate()
        self.assertEqual(loader.returncode, -signal.SIGKILL)
        self.assertIn(self.held(big), (None, expected))
        # The server stopped at once while the file goes in: the run names it and stops; the file
        # is absent, and the next run loads it.
        try:
            loader = self.mid_file(big, lambda loader: CLUSTER.stop("immediate"))
            _, err = loader.communicate(timeout=120)
        finally:
            CLUSTER.start()
        self.assertEqual(loader.returncode, 1, err)
        self.assertIn("postgresql://loader@127.0.0.1:%d/wells" % CLUSTER.port, err)
        self.assertIn("the connection to the server was lost", err)
        self.assertIn(self.held(big), (None, expected))
        self.load(big)
        self.assertEqual(self.held(big), expected)

    def test_connection_problems_are_named_without_the_password(self):
        example = os.path.join(EXAMPLES, "gradient.pas")
        for uri, said in ((CLUSTER.uri(password="wrong-" + PASSWORD), "password authentication failed"),
                          (CLUSTER.uri(port=free_port()), "Connection refused"),
                          (CLUSTER.uri(db="nowhere"), 'database "nowhere" does not exist'),
                          (CLUSTER.uri(user="reader", password="reader-pw"), "permission denied"),
                          ("postgresql://loader:%s@127.0.0.1:port/wells" % PASSWORD, "invalid")):
            result = self.load(example, uri=uri, expect=1)
            self.assertRegex(result.stderr, r"^tarnwell-convert: (cannot connect to )?postgresql://")
            self.assertIn(said, result.stderr)
            self.assertEqual(result.stderr.count("\n"), 1, result.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
