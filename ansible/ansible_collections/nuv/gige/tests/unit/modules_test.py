# nuv.gige.camera and nuv.gige.camera_info against a stand-in for
# nuv-ipconfig (tool_stub.sh): the arguments and plan they hand the tool, and
# how they turn its JSON documents into results. Run by tests/check.sh.
import contextlib
import io
import json
import os
import shutil
import tempfile
import unittest

from ansible.module_utils import basic
from ansible_collections.nuv.gige.plugins.modules import camera, camera_info

STUB = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'tool_stub.sh')
MAC = '02:00:00:00:00:11'
CHANGES = [{'setting': 'mode', 'from': 'lla', 'to': 'persistent'},
           {'setting': 'user_name', 'from': 'old', 'to': 'a "b", c'}]
FULL = dict(mac=MAC, mode='persistent', ip='192.168.10.50', mask='255.255.255.0',
            gateway='192.168.10.1', name='a "b", c', interfaces=['eth1', 'eth2'], timeout_ms=500)


def read(path):
    with open(path) as text:
        return text.read()


def row(**fields):
    return dict({'line': 2, 'mac': MAC, 'ip': '192.168.10.11', 'ok': True}, **fields)


class ModulesTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.dir)
        os.environ['NUV_STUB_DIR'] = self.dir

    def answer(self, command, document, rc=0):
        """What the stub prints for `command` (a text as it is), and its exit status."""
        with open(os.path.join(self.dir, command + '.json'), 'w') as out:
            out.write(document if isinstance(document, str) else json.dumps(document))
        with open(os.path.join(self.dir, command + '.rc'), 'w') as out:
            out.write(str(rc))

    def run_module(self, module, args, check=False):
        """The result of `module` run with `args` in diff mode; no plan file may be left."""
        args = dict(args, executable=STUB, _ansible_check_mode=check, _ansible_diff=True,
                    _ansible_tmpdir=self.dir)
        basic._ANSIBLE_ARGS = json.dumps({'ANSIBLE_MODULE_ARGS': args}).encode()
        out = io.StringIO()
        with contextlib.redirect_stdout(out), self.assertRaises(SystemExit):
            module.main()
        self.assertEqual([f for f in os.listdir(self.dir) if f.startswith('nuv-gige-plan-')], [])
        return json.loads(out.getvalue())

    def calls(self):
        path = os.path.join(self.dir, 'calls')
        return read(path).splitlines() if os.path.exists(path) else []

    def test_plan_row_quotes_every_cell_and_discovery_options_follow(self):
        self.answer('apply', {'ok': True, 'rows': [row(changed=True, changes=CHANGES)]})
        result = self.run_module(camera, FULL)
        self.assertEqual(read(os.path.join(self.dir, 'plan')),
                         'mac,mode,ip,mask,gateway,name\n"%s","persistent","192.168.10.50",'
                         '"255.255.255.0","192.168.10.1","a ""b"", c"\n' % MAC)
        self.assertRegex(self.calls()[0], '^apply %s/nuv-gige-plan-.*\\.csv --json '
                         '--interface eth1 --interface eth2 --timeout-ms 500$' % self.dir)
        self.assertEqual(result['diff'], {'before': {'mode': 'lla', 'user_name': 'old'},
                                          'after': {'mode': 'persistent', 'user_name': 'a "b", c'}})
        self.assertEqual((result['changes'], result['ip']), (CHANGES, '192.168.10.11'))

    def test_changed_means_written_and_in_check_mode_would_be_written(self):
        for check, written, changes, changed in [(False, True, CHANGES, True),
                                                 (False, False, [], False),
                                                 (True, False, CHANGES, True),
                                                 (True, False, [], False)]:
            with self.subTest(check=check, changes=changes):
                self.answer('apply', {'ok': True, 'rows': [row(changed=written, changes=changes)]})
                result = self.run_module(camera, dict(mac=MAC, mode='lla'), check)
                self.assertEqual(result['changed'], changed)
                self.assertEqual(self.calls()[-1].endswith('--check --json'), check)

    def test_tool_failures_carry_its_message_exit_status_and_code(self):
        unanswered = {'ok': False, 'error': {'code': 'not_found', 'message': 'p:2: no camera'}}
        refused = {'ok': False, 'error': {'code': 'failed', 'message': '1 row failed'}, 'rows': [
            row(ok=False, error='camera refused', done=['persistent_ip'])]}
        for document, rc, expected in [
                (unanswered, 3, dict(msg='p:2: no camera', rc=3, code='not_found')),
                (refused, 1, dict(msg='camera refused', rc=1, code='failed', changed=True,
                                  done=['persistent_ip'])),
                ('crashed', 134, dict(msg='nuv-ipconfig printed no JSON document: crashed', rc=134))]:
            with self.subTest(expected['msg']):
                self.answer('apply', document, rc)
                result = self.run_module(camera, dict(mac=MAC, name='x'))
                self.assertTrue(result['failed'])
                self.assertEqual(dict((k, result.get(k)) for k in expected), expected)

    def test_options_the_tool_refuses_fail_before_it_runs(self):
        for args in [dict(mode='persistent', ip='10.0.0.2'),
                     dict(mode='dhcp', ip='10.0.0.2', mask='255.0.0.0'),
                     dict(mode='persistent', gateway='10.0.0.1'),
                     dict(name='sixteen-chars-xx'), dict(name='two\nlines')]:
            with self.subTest(args=args):
                self.assertTrue(self.run_module(camera, dict(args, mac=MAC))['failed'])
        self.assertEqual(self.calls(), [])

    def test_restart_follows_only_a_real_write(self):
        self.answer('restart', {'ok': True, 'camera': {'mac': MAC, 'ip': '169.254.3.4'},
                                'restart': {'seconds': 3.5, 'as_expected': True}})
        for written, check, restarted in [(True, False, True), (False, False, False),
                                          (False, True, False)]:
            with self.subTest(written=written, check=check):
                self.answer('apply', {'ok': True, 'rows': [row(changed=written, changes=CHANGES)]})
                result = self.run_module(camera, dict(mac=MAC, mode='lla', restart=True), check)
                self.assertEqual(self.calls()[-1] == 'restart %s --json' % MAC, restarted)
                self.assertEqual(result['ip'], '169.254.3.4' if restarted else '192.168.10.11')

    def test_info_returns_the_list_as_cameras_and_facts(self):
        cameras = [{'mac': MAC, 'ip': '192.168.10.11', 'reachable': True}]
        self.answer('list', {'ok': True, 'cameras': cameras})
        result = self.run_module(camera_info, dict(interfaces=['eth1']), check=True)
        self.assertEqual(self.calls(), ['list --json --interface eth1'])
        self.assertEqual((result['changed'], result['cameras']), (False, cameras))
        self.assertEqual(result['ansible_facts'], {'nuv_gige_cameras': cameras})


if __name__ == '__main__':
    unittest.main()
