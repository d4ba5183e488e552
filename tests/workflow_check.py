"""The Windows workflow: valid YAML by yamllint's rules, and it runs the kit that
scripts/package.sh makes with run-tests.cmd on both hosted Windows versions, keeping the XML.
    workflow_check.py WORKFLOW"""
import subprocess
import sys

import yaml

workflow_path = sys.argv[1]
subprocess.run(["yamllint", "-s", "-d", "{extends: default, rules: {line-length: {max: 100}, "
                "truthy: {check-keys: false}}}", workflow_path], check=True)
with open(workflow_path, encoding="utf-8") as file:
    jobs = yaml.safe_load(file)["jobs"]


def runs(job):
    return " ".join(step.get("run", "") for step in job["steps"])


def uploads(job):
    return " ".join(step["with"]["path"] for step in job["steps"]
                    if step.get("uses", "").startswith("actions/upload-artifact"))


errors = []
if "scripts/package.sh" not in runs(jobs["kit"]):
    errors.append("the kit job does not make the kit with scripts/package.sh")
if "windows-tests.zip" not in uploads(jobs["kit"]):
    errors.append("the kit job keeps no test kit")
test_job = jobs["run"]
if sorted(test_job["strategy"]["matrix"]["os"]) != ["windows-2022", "windows-2025"]:
    errors.append("the kit does not run on windows-2022 and windows-2025")
if "run-tests.cmd" not in runs(test_job):
    errors.append("the test job does not run run-tests.cmd")
if "*.xml" not in uploads(test_job):
    errors.append("the test job keeps no JUnit XML")
print("\n".join(errors) or f"{workflow_path}: OK")
sys.exit(1 if errors else 0)
