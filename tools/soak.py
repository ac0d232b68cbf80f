#!/usr/bin/env python3
"""A long random run of the news plug-in in the stand-in host, run by hand and reported.

  tools/soak.py [--seed N] [--steps N] [--build build/win64] [--work DIR]

The steps (opening folders and mails, posting, timer runs, Cancel, host faults, exit and restart)
come from a seeded generator and are printed, so a run can be repeated. INN2 on 127.0.0.1:119
serves the data; the scripted server serves one group over a trickling connection. Host faults
are never armed in the calls that give an article back (compose window, inbox store, status text).

At the end the run is judged:
  - every article sent is on the server, in a folder of the data, or in a compose window that was
    open when the client exited;
  - no placeholder is stuck: each one whose retrieval did not end is opened again in a clean
    second run and must be fetched;
  - Rillpost.xml parses.
Exit code 0 when all holds.
"""
import argparse
import os
import random
import re
import shutil
import socket
import subprocess
import sys
import time
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

NEWS_GROUPS = ["rillpost.test", "cn.rillpost.chat", "rillpost.pictures.uu"]
FAKE_GROUPS = ["fake.test"]
POST_GROUP = "rillpost.test"
# Host functions a fault may hit; the give-back's own calls are left alone.
FAULTABLE = ["BKA_GetCurrentMailBox", "BKA_GetCurrentFolder", "BKA_GetNextMail", "BKA_SetSource",
             "BKA_GetSource", "BKA_SetCurrentFolder", "BKA_GetWindowHandles", "BKA_GetDataFolder",
             "BKA_SetCurrentMail", "BKA_GetTempFolder", "BKA_GetStatus", "BKA_GetCurrentMail",
             "BKA_SetStatus", "BKA_SetSpecifiedHeader", "BKA_GetSpecifiedHeader", "BKA_GetHeader",
             "BKA_CompSetSpecifiedHeader"]


def folder(mailbox, group=None):
    return mailbox + ".mb\\!!!!Inbox\\" + (group + "\\" if group else "")


def all_group_folders():
    return [folder("news", g) for g in NEWS_GROUPS] + [folder("fake", g) for g in FAKE_GROUPS]


def configuration():
    def sub(mailbox, group, style):
        fid = folder(mailbox, group).replace("\\", "\\\\")
        return ("<Subgroup>\\r\\n<FolderID>%s</FolderID>\\r\\n<GroupName>%s</GroupName>\\r\\n"
                "<Synchronization>%d</Synchronization>\\r\\n</Subgroup>\\r\\n" % (fid, group, style))
    news = "".join(sub("news", g, s) for g, s in zip(NEWS_GROUPS, (1, 2, 0)))
    fake = "".join(sub("fake", g, 1) for g in FAKE_GROUPS)
    return ("<?xml version=\\\"1.0\\\" encoding=\\\"GB2312\\\"?>\\r\\n<Setup>\\r\\n<Configuration>\\r\\n"
            "<Online>1</Online>\\r\\n<SynTime>1</SynTime>\\r\\n</Configuration>\\r\\n"
            "<Server>\\r\\n<ID>news.mb\\\\</ID>\\r\\n<Location>127.0.0.1</Location>\\r\\n" + news +
            "</Server>\\r\\n<Server>\\r\\n<ID>fake.mb\\\\</ID>\\r\\n<Location>%FAKE_NNTP%</Location>\\r\\n" +
            fake + "</Server>\\r\\n</Setup>\\r\\n")


def generate(seed, steps, run):
    """The scenario's lines, the subjects of the articles it sends, and the printed step list.
    The run mark keeps subjects apart from earlier runs' articles, which the server still holds."""
    rnd = random.Random(seed)
    lines = ['mailbox news "Soak" soak@example.com', 'mailbox fake "Soak" soak@example.com']
    lines += ["folder " + f for f in all_group_folders()]
    lines.append('file %PLUGINS%Rillpost.xml "' + configuration() + '"')
    lines.append("fake-nntp scenario normal keep GREETING=trickle:0.02 XOVER=trickle:0.004 ARTICLE=trickle:0.004")
    lines.append("start")
    subjects, printed = [], []
    actions = [("open folder", 18), ("open mail", 20), ("post", 14), ("timer run", 8), ("cancel", 5),
               ("fault", 16), ("wait", 6), ("marshal", 3), ("exit and restart", 6), ("update now", 4)]
    names = [a for a, _ in actions]
    weights = [w for _, w in actions]
    for i in range(steps):
        action = rnd.choices(names, weights)[0]
        target = rnd.choice(all_group_folders() + [folder("news")])
        detail = ""
        if action == "open folder":
            detail = target
            lines.append("try open folder " + target)
            if rnd.random() < 0.4:
                lines.append("try wait idle 60000")
        elif action == "open mail":
            target = rnd.choice(all_group_folders())
            which = rnd.choice(["#0", "#last", "#1"])
            detail = target + " " + which
            lines += ["try open folder " + target, "try wait messages %s 1 60000" % target,
                      "try select mail " + which]
        elif action == "post":
            subject = "Soak %d run %s step %d" % (seed, run, i)
            subjects.append(subject)
            detail = subject
            lines += ["try select folder " + folder("news", POST_GROUP), "compose new",
                      'compose header Subject "%s"' % subject,
                      'compose body "Written in step %d.\\r\\n"' % i, "try compose send"]
        elif action == "timer run":
            lines.append("try callbacks")
        elif action == "update now":
            lines.append('try menu main "Update Now!"')
        elif action == "cancel":
            lines.append("dismiss all")
        elif action == "fault":
            fn = rnd.choice(FAULTABLE)
            n = rnd.randint(1, 12)
            mode = rnd.choice(["access", "access", "fail"])
            worker = " worker" if rnd.random() < 0.3 else ""
            detail = "%s %d %s%s" % (fn, n, mode, worker)
            lines.append("fault " + detail)
        elif action == "wait":
            lines.append("try wait idle 60000")
        elif action == "marshal":
            on = rnd.random() < 0.6
            detail = "on" if on else "off"
            lines.append("marshal " + detail)
        elif action == "exit and restart":
            lines += ["dismiss 1000", "dump compose", "dump log", "exit 8000", "restart"]
        lines.append("dismiss")
        printed.append("%3d %s %s" % (i, action, detail))
    # The end: no faults, the work finishes, what compose windows hold is recorded.
    lines += ["dismiss 3000", "try wait idle 90000", "dismiss 2000", "dump compose", "dump log", "exit 8000"]
    return lines, subjects, printed


def quote_free(text):
    return text


def run_host(build, work, script, plugins_env):
    """Runs the scenario, restarting the host where it asks to; returns (exit code, output)."""
    out_path = os.path.join(work, "scenario.out")
    if os.path.exists(out_path):
        os.remove(out_path)
    command = [os.path.join(build, "wine-run.sh"), os.path.join(build, "bin", "Standin.exe"),
               "--data", os.path.join(work, "data"), "--plugins", os.path.join(work, "plugins"),
               "--temp", work + "/", "--script", script, "--out", out_path]
    resume = []
    code = None
    for _ in range(200):
        code = subprocess.call(command + resume, env=plugins_env, timeout=3600)
        with open(out_path, "rb") as f:
            out = f.read().decode("latin-1")
        m = re.search(r"restart: line (\d+)[\r\n]*$", out)
        if code != 3 or not m:
            return code, out
        resume = ["--resume", m.group(1)]
    return code, out


def server_subjects(group):
    s = socket.create_connection(("127.0.0.1", 119), timeout=30)
    f = s.makefile("rb")
    f.readline()
    def command(text):
        s.sendall(text.encode() + b"\r\n")
        return f.readline().decode("latin-1")
    command("MODE READER")
    reply = command("GROUP " + group)
    subjects = []
    if reply.startswith("211"):
        if command("XOVER 1-").startswith("224"):
            while True:
                line = f.readline().decode("latin-1").rstrip("\r\n")
                if line == ".":
                    break
                fields = line.split("\t")
                if len(fields) > 1:
                    subjects.append(fields[1])
    command("QUIT")
    s.close()
    return subjects


def stored_messages(data):
    """(mail identifier, text) of every stored message."""
    result = []
    for base, _, files in os.walk(data):
        for name in files:
            if name.endswith(".msg"):
                path = os.path.join(base, name)
                with open(path, "rb") as f:
                    text = f.read().decode("latin-1")
                rel = os.path.relpath(path, data).replace("/", "\\")
                result.append((rel, text))
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seed", type=int, default=19)
    parser.add_argument("--steps", type=int, default=200)
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "win64"))
    parser.add_argument("--work", default=None)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    work = os.path.abspath(args.work or os.path.join(build, "soak"))
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "plugins"))
    shutil.copy(os.path.join(build, "bin", "Rillpost.dll"), os.path.join(work, "plugins"))

    subprocess.check_call(["bash", os.path.join(ROOT, "tools", "inn.sh"), "start"])
    subprocess.check_call(["bash", os.path.join(ROOT, "tools", "inn.sh"), "seed"])
    fake_dir = os.path.join(work, "fake")
    os.makedirs(fake_dir)
    fake = os.path.join(ROOT, "tests", "nntp", "fake_nntp_server.py")
    subprocess.check_call([sys.executable, fake, "start", fake_dir])
    env = dict(os.environ, RP_FAKE_NNTP_DIR=fake_dir, DISPLAY=os.environ.get("DISPLAY", ":99"))
    try:
        lines, subjects, printed = generate(args.seed, args.steps, time.strftime("%H%M%S"))
        print("soak: seed %d, %d steps" % (args.seed, args.steps))
        for p in printed:
            print("  " + p)
        script = os.path.join(work, "soak.txt")
        with open(script, "w", newline="\r\n") as f:
            f.write("\n".join(lines) + "\n")
        code, out = run_host(build, work, script, env)
        with open(os.path.join(work, "soak.out"), "w") as f:
            f.write(out)
        problems = []
        if code != 0 or "result: ok" not in out:
            tail = out.strip().splitlines()[-5:]
            problems.append("the run failed (exit code %s): %s" % (code, " / ".join(tail)))
        restarts = out.count("restart: line")
        # Each host process keeps its own event log, dumped once before its exit.
        faults = len(re.findall(r"^  fault BKA_\w+ (?:access|fail)", out, re.M))
        tried = len(re.findall(r"tried: ", out))

        # Placeholders whose retrieval did not end are fetched when opened in a clean run.
        data = os.path.join(work, "data")
        stuck = [(mail, text) for mail, text in stored_messages(data)
                 if re.search(r"^X-RILLPOST-FLAG: TRUE", text, re.M | re.I)]
        check = ["start"]
        for mail, _ in stuck:
            mail_folder = mail[:mail.rfind("\\") + 1]
            check += ["open folder " + mail_folder, "select mail " + mail, "wait idle 60000",
                      "dismiss 1000", "expect noheader %s X-RILLPOST-FLAG" % mail]
        check += ["dismiss 1000", "exit 8000"]
        check_script = os.path.join(work, "check.txt")
        with open(check_script, "w", newline="\r\n") as f:
            f.write("\n".join(check) + "\n")
        check_code, check_out = run_host(build, work, check_script, env)
        with open(os.path.join(work, "check.out"), "w") as f:
            f.write(check_out)
        if check_code != 0:
            problems.append("a placeholder stayed stuck: " + " / ".join(check_out.strip().splitlines()[-4:]))

        # Every article sent is somewhere the user finds it.
        on_server = server_subjects(POST_GROUP)
        stored = stored_messages(data)
        placed = {"server": 0, "folder": 0, "compose": 0, "server and folder": 0}
        for subject in subjects:
            where_server = on_server.count(subject)
            # A group folder's copy is the server's; only the inbox and outbox keep what was not sent.
            where_folder = [m for m, t in stored if "Subject: " + subject + "\r\n" in t
                            and not any(m.startswith(g) for g in all_group_folders())]
            where_compose = ("Subject: " + subject) in out
            if where_server > 1 or len(where_folder) > 1:
                problems.append("%r is there twice: server %d, folders %s" % (subject, where_server, where_folder))
            if where_server and where_folder:
                placed["server and folder"] += 1
            elif where_server:
                placed["server"] += 1
            elif where_folder:
                placed["folder"] += 1
            elif where_compose:
                placed["compose"] += 1
            else:
                problems.append("%r was lost" % subject)
        try:
            with open(os.path.join(work, "plugins", "Rillpost.xml"), "rb") as f:
                text = f.read().decode("gb18030")
            ET.fromstring(re.sub(r"^<\?xml[^>]*\?>", "", text.lstrip("\ufeff")))
        except Exception as e:  # any parse failure is the finding
            problems.append("Rillpost.xml does not parse: %s" % e)

        print("soak: %d restarts, %d host faults met, %d steps met a state they could not act on"
              % (restarts, faults, tried))
        print("soak: %d articles sent: %d on the server, %d in a folder, %d in a compose window, "
              "%d on the server and in a folder" % (len(subjects), placed["server"], placed["folder"],
                                                      placed["compose"], placed["server and folder"]))
        print("soak: %d placeholders were left mid-retrieval; the clean run fetched %s" %
              (len(stuck), "them all" if check_code == 0 else "not all"))
        for p in problems:
            print("soak: PROBLEM: " + p)
        print("soak: %s (output in %s)" % ("ok" if not problems else "failed", work))
        return 0 if not problems else 1
    finally:
        subprocess.call([sys.executable, fake, "stop", fake_dir])


if __name__ == "__main__":
    sys.exit(main())
